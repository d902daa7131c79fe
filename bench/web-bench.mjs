// Times the web reader against pdf.js's own viewer components in headless
// Chromium, on the same documents (each as .kwen and as the PDF kwenview
// exports), the same window and the same browser flags:
//   - first page: from navigation start, and from the document's first
//     byte, to the first page drawn (median of several cold loads);
//   - scrolling: every page brought to the top of the view in turn, the
//     wait until it is drawn (0 when it was drawn ahead), mean and p95;
//   - memory while loading and scrolling through every page: the tab's
//     renderer process (its pages' and workers' heaps, canvases and
//     WebAssembly memory all live there) from /proc, resident and private,
//     the GPU process's resident set, and the JS heaps from the protocol;
//   - bytes transferred: every response's body, the reader's files and the
//     document (the static server does not compress);
//   - the files' size compressed (gzip -9 each): the reader's, and pdf.js's.
// It also times each first page's path (its fetches, and the web reader's
// messages to and from its worker), to show what the first page waits for.
//
// Usage: node web-bench.mjs SITE NAME:PAGES:KWEN:PDF... > table.md
// SITE holds reader.html (build/web), pdfjs/ (pdf.js's files and the
// viewer page bench/web/pdfjs-viewer.html) and the documents named.
// Environment: WEB_BENCH_LOADS (first-page loads, 5), WEB_BENCH_PROFILES
// (folder for the browser profiles, a temporary one by default).
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { startServer } from '../tests/web/static-server.mjs';

const CHROMIUM = '/usr/bin/chromium';
const BROWSER_FLAGS = ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];
const WINDOW = { width: 1200, height: 900, deviceScaleFactor: 1 };
const FIRST_PAGE_LOADS = Number(process.env.WEB_BENCH_LOADS ?? 5);
const LOAD_TIMEOUT_MS = 120000;
const PAGE_TIMEOUT_MS = 30000;
const PROC_SAMPLE_MS = 100;
const HEAP_SAMPLE_MS = 500;
const SETTLE_MS = 2000;
const MIB = 1024 * 1024;
// The pdf.js files its viewer page loads before the document: what a site
// serves for it (fonts, maps and decoders come on demand).
const PDFJS_FILES = ['pdfjs-viewer.html', 'pdf.min.mjs', 'pdf.worker.min.mjs', 'pdf_viewer.mjs', 'pdf_viewer.css'];

const [site, ...documentArgs] = process.argv.slice(2);
if (!site || documentArgs.length === 0) {
  console.error('usage: node web-bench.mjs SITE NAME:PAGES:KWEN:PDF...');
  process.exit(2);
}
const documents = documentArgs.map((argument) => {
  const [name, pages, kwen, pdf] = argument.split(':');
  const pageCount = Number(pages);
  if (!name || !(pageCount > 1) || !kwen || !pdf) throw new Error(`"${argument}" is not NAME:PAGES:KWEN:PDF`);
  return { name, pageCount, kwen, pdf };
});
const puppeteer = (await import('puppeteer-core')).default;
const log = (text) => console.error(text);

// --- Statistics.
const mean = (values) => values.reduce((sum, value) => sum + value, 0) / Math.max(1, values.length);
function quantile(values, fraction) {
  if (values.length === 0) return NaN;
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.ceil(fraction * sorted.length) - 1)];
}
const median = (values) => quantile(values, 0.5);

// --- What runs in the pages (before their own scripts).

// The web reader: when each page's element turns painted, and the messages
// to and from its worker (type, page, time), kept in window.kwenBench.
function watchKwenReader() {
  const bench = { paintedAt: new Map(), messages: [], listeners: new Set() };
  window.kwenBench = bench;
  new MutationObserver((records) => {
    const now = performance.now();
    for (const record of records) {
      const element = record.target;
      if (element.dataset?.state !== 'painted' || record.oldValue === 'painted') continue;
      const index = Number(element.dataset.page);
      bench.paintedAt.set(index, now);
      for (const listener of bench.listeners) listener(index, now);
    }
  }).observe(document, { subtree: true, attributes: true, attributeFilter: ['data-state'], attributeOldValue: true });
  const note = (direction, message) => {
    if (message && typeof message.type === 'string') {
      bench.messages.push({ direction, type: message.type, page: message.page, time: performance.now() });
    }
  };
  const NativeWorker = window.Worker;
  window.Worker = class extends NativeWorker {
    constructor(...args) {
      super(...args);
      this.addEventListener('message', (event) => note('in', event.data));
    }

    postMessage(message, ...rest) {
      note('out', message);
      return super.postMessage(message, ...rest);
    }
  };
}

// Brings every page in turn to the top of the view and waits until it is
// drawn; returns the waits (ms, 0 when drawn ahead) and the whole time.
async function scrollThrough(kind, pageCount, pageTimeoutMs) {
  const frame = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
  const PDFJS_FINISHED = 3;  // pdf.js's RenderingStates.FINISHED
  const reader = kind === 'kwen' ? {
    container: document.getElementById('viewport'),
    element: (index) => document.querySelector(`.page[data-page="${index}"]`),
    gap: 10,
    isPainted(index) { return this.element(index)?.dataset.state === 'painted'; },
    onPainted(listener) {
      window.kwenBench.listeners.add(listener);
      return () => window.kwenBench.listeners.delete(listener);
    },
  } : {
    container: document.getElementById('viewerContainer'),
    element: (index) => window.pdfjsBench.viewer.getPageView(index)?.div,
    gap: 0,
    isPainted: (index) => window.pdfjsBench.viewer.getPageView(index)?.renderingState === PDFJS_FINISHED,
    onPainted(listener) {
      const handler = ({ pageNumber, isDetailView }) => {
        if (!isDetailView) listener(pageNumber - 1, performance.now());
      };
      window.pdfjsBench.eventBus.on('pagerendered', handler);
      return () => window.pdfjsBench.eventBus.off('pagerendered', handler);
    },
  };
  const waitFor = async (test, what) => {
    const until = performance.now() + pageTimeoutMs;
    while (!test()) {
      if (performance.now() > until) throw new Error(`timed out waiting for ${what}`);
      await frame();
    }
  };
  const waits = [];
  let drawnAhead = 0;
  const start = performance.now();
  for (let index = 1; index < pageCount; index += 1) {
    await waitFor(() => reader.element(index), `page ${index + 1}'s place`);
    const { container } = reader;
    const top = reader.element(index).getBoundingClientRect().top - container.getBoundingClientRect().top
      + container.scrollTop - reader.gap;
    let stop = () => {};
    const drawn = new Promise((resolve) => {
      stop = reader.onPainted((painted, time) => {
        if (painted === index) resolve(time);
      });
    });
    const asked = performance.now();
    container.scrollTop = top;
    if (reader.isPainted(index)) {
      drawnAhead += 1;
      waits.push(0);
    } else {
      let timer = 0;
      const timeout = new Promise((resolve) => { timer = setTimeout(() => resolve(null), pageTimeoutMs); });
      const time = await Promise.race([drawn, timeout]);
      clearTimeout(timer);
      if (time === null) throw new Error(`page ${index + 1} was not drawn within ${pageTimeoutMs} ms`);
      waits.push(time - asked);
    }
    stop();
    await frame();
  }
  return { waits, drawnAhead, totalMs: performance.now() - start };
}

// The page's and its workers' resource timings, on the page's clock.
async function resourceTimings(page) {
  const read = () => ({
    origin: performance.timeOrigin,
    entries: performance.getEntriesByType('resource').map((entry) => ({
      name: entry.name, startTime: entry.startTime, responseStart: entry.responseStart, responseEnd: entry.responseEnd,
    })),
  });
  const own = await page.evaluate(read);
  const entries = [...own.entries];
  for (const worker of page.workers()) {
    try {
      const theirs = await worker.evaluate(read);
      const shift = theirs.origin - own.origin;
      for (const entry of theirs.entries) {
        entries.push({ ...entry, startTime: entry.startTime + shift, responseStart: entry.responseStart + shift,
          responseEnd: entry.responseEnd + shift });
      }
    } catch {
      // A worker that has ended has nothing to tell.
    }
  }
  return entries;
}

// --- Memory: the processes' sets from /proc, the heaps from the protocol.

function processMemory(pid) {
  try {
    const rollup = readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8');
    const field = (name) => Number(new RegExp(`^${name}:\\s+(\\d+) kB`, 'm').exec(rollup)?.[1] ?? 0) * 1024;
    return { rss: field('Rss'), private: field('Private_Clean') + field('Private_Dirty') };
  } catch {
    return null;  // the process has ended
  }
}

// Headless Chromium's own interface runs in renderers of its own.
function isBrowserUi(pid) {
  try {
    return readFileSync(`/proc/${pid}/cmdline`, 'utf8').split('\0').includes('--top-chrome-webui');
  } catch {
    return true;  // ended: nothing to sample
  }
}

class MemorySampler {
  constructor(browserSession, page) {
    this.browserSession = browserSession;
    this.page = page;
    this.peaks = new Map();  // pid -> {type, rss, private}
    this.cpu = new Map();  // pid -> cpu seconds
    this.pageHeap = 0;
    this.workerHeap = 0;
    this.timers = [];
  }

  async start() {
    this.pageSession = await this.page.createCDPSession();
    await this.pageSession.send('Performance.enable');
    await this.sampleProcesses();
    this.timers.push(setInterval(() => this.sampleProcesses().catch(() => {}), PROC_SAMPLE_MS));
    this.timers.push(setInterval(() => this.sampleHeaps().catch(() => {}), HEAP_SAMPLE_MS));
  }

  async sampleProcesses() {
    const { processInfo } = await this.browserSession.send('SystemInfo.getProcessInfo');
    for (const { type, id, cpuTime } of processInfo) {
      if (type !== 'GPU' && !(type === 'renderer' && !isBrowserUi(id))) continue;
      this.cpu.set(id, cpuTime);
      const memory = processMemory(id);
      if (!memory) continue;
      const peak = this.peaks.get(id) ?? { type, rss: 0, private: 0 };
      peak.rss = Math.max(peak.rss, memory.rss);
      peak.private = Math.max(peak.private, memory.private);
      this.peaks.set(id, peak);
    }
  }

  async sampleHeaps() {
    const { metrics } = await this.pageSession.send('Performance.getMetrics');
    const used = metrics.find((metric) => metric.name === 'JSHeapUsedSize')?.value ?? 0;
    this.pageHeap = Math.max(this.pageHeap, used);
    let workers = 0;
    for (const worker of this.page.workers()) {
      try {
        workers += (await worker.client.send('Runtime.getHeapUsage')).usedSize;
      } catch {
        // A worker that has ended holds nothing.
      }
    }
    this.workerHeap = Math.max(this.workerHeap, workers);
  }

  async stop() {
    for (const timer of this.timers) clearInterval(timer);
    await this.sampleProcesses().catch(() => {});
    await this.sampleHeaps().catch(() => {});
    // The tab's renderer is the one that worked: the spare one and the
    // first blank tab's idle.
    const peakOf = (type) => {
      let chosen = null;
      for (const [pid, peak] of this.peaks) {
        if (peak.type !== type) continue;
        if (!chosen || (this.cpu.get(pid) ?? 0) > (this.cpu.get(chosen.pid) ?? 0)) chosen = { pid, ...peak };
      }
      return chosen ?? { rss: NaN, private: NaN };
    };
    const renderer = peakOf('renderer');
    return { renderer, gpu: peakOf('GPU'), pageHeap: this.pageHeap, workerHeap: this.workerHeap };
  }
}

// --- The two readers.

const READERS = {
  kwen: {
    label: 'web reader',
    address: (origin, document) => `${origin}/reader.html?doc=${encodeURIComponent(`docs/${document.kwen}`)}`,
    documentFile: (document) => document.kwen,
    prepare: (page) => page.evaluateOnNewDocument(watchKwenReader),
    firstPainted: (page) => page.waitForFunction(() => window.kwenBench.paintedAt.has(0),
      { timeout: LOAD_TIMEOUT_MS, polling: 100 }),
    firstPaintTime: (page) => page.evaluate(() => window.kwenBench.paintedAt.get(0)),
    // Every page's size known and the document read to its end.
    allPages: (page, count) => page.waitForFunction((n) => document.getElementById('progress').hidden
      && document.getElementById('page-count').textContent.trim() === `of ${n}`,
    { timeout: LOAD_TIMEOUT_MS, polling: 100 }, count),
  },
  pdfjs: {
    label: 'pdf.js',
    address: (origin, document) => `${origin}/pdfjs/pdfjs-viewer.html?file=${encodeURIComponent(`../docs/${document.pdf}`)}`,
    documentFile: (document) => document.pdf,
    prepare: async () => {},
    firstPainted: (page) => page.waitForFunction(() => window.pdfjsBench?.paintedAt.has(0) || window.pdfjsBench?.error,
      { timeout: LOAD_TIMEOUT_MS, polling: 100 }),
    firstPaintTime: (page) => page.evaluate(() => {
      if (window.pdfjsBench.error) throw new Error(window.pdfjsBench.error);
      return window.pdfjsBench.paintedAt.get(0);
    }),
    allPages: (page, count) => page.waitForFunction((n) => window.pdfjsBench?.pagesLoaded && window.pdfjsBench.pageCount === n,
      { timeout: LOAD_TIMEOUT_MS, polling: 100 }, count),
  },
};

// --- Runs.

let profiles = 0;
const profileRoot = process.env.WEB_BENCH_PROFILES || mkdtempSync(path.join(tmpdir(), 'web-bench-'));

async function withBrowser(use) {
  profiles += 1;
  const userDataDir = path.join(profileRoot, `profile-${profiles}`);
  const browser = await puppeteer.launch({ executablePath: CHROMIUM, headless: true, userDataDir, args: BROWSER_FLAGS });
  try {
    return await use(browser);
  } finally {
    await browser.close();
    rmSync(userDataDir, { recursive: true, force: true });
  }
}

// A page in a context of its own, its responses' body bytes counted.
async function openPage(browser, reader) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  page.on('pageerror', (error) => log(`  ${reader.label}: script error: ${error.message}`));
  await page.setViewport(WINDOW);
  await reader.prepare(page);
  const responses = [];
  page.on('response', (response) => {
    responses.push({ url: response.url(), bytes: Number(response.headers()['content-length'] ?? 0) });
  });
  return { context, page, responses };
}

const fileName = (url) => decodeURIComponent(new URL(url).pathname.split('/').pop());

async function firstPageLoad(browser, reader, origin, document) {
  const { context, page } = await openPage(browser, reader);
  try {
    await page.goto(reader.address(origin, document), { waitUntil: 'domcontentloaded' });
    await reader.firstPainted(page);
    const painted = await reader.firstPaintTime(page);
    const timings = await resourceTimings(page);
    const documentEntry = timings.find((entry) => fileName(entry.name) === reader.documentFile(document));
    const messages = reader === READERS.kwen ? await page.evaluate(() => window.kwenBench.messages) : [];
    const navigation = await page.evaluate(() => {
      const entry = performance.getEntriesByType('navigation')[0];
      return { responseEnd: entry?.responseEnd, domContentLoadedEventStart: entry?.domContentLoadedEventStart };
    });
    return { painted, documentEntry, timings, messages, navigation };
  } finally {
    await context.close();
  }
}

// The renderer's private memory once the page's and workers' garbage is
// collected: what the reader holds, not what it has yet to give back.
async function retainedAfterCollection(page, rendererPid) {
  const sessions = [await page.createCDPSession(), ...page.workers().map((worker) => worker.client)];
  for (const session of sessions) await session.send('HeapProfiler.collectGarbage').catch(() => {});
  await new Promise((resolve) => setTimeout(resolve, SETTLE_MS));
  return processMemory(rendererPid)?.private ?? NaN;
}

// What a blank tab costs, in the same browser: the floor under both.
async function blankTab(browser) {
  const browserSession = await browser.target().createCDPSession();
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(WINDOW);
  const sampler = new MemorySampler(browserSession, page);
  await sampler.start();
  await page.goto('data:text/html,<!DOCTYPE html><title>blank</title>');
  await new Promise((resolve) => setTimeout(resolve, SETTLE_MS));
  const memory = await sampler.stop();
  await context.close();
  return memory;
}

async function scrollRun(browser, reader, origin, document, pageCount) {
  const browserSession = await browser.target().createCDPSession();
  const { context, page, responses } = await openPage(browser, reader);
  const sampler = new MemorySampler(browserSession, page);
  let memory = null;
  try {
    await sampler.start();
    await page.goto(reader.address(origin, document), { waitUntil: 'domcontentloaded' });
    await reader.allPages(page, pageCount);
    await reader.firstPainted(page);
    const scrolled = await page.evaluate(scrollThrough, reader === READERS.kwen ? 'kwen' : 'pdfjs', pageCount, PAGE_TIMEOUT_MS);
    memory = await sampler.stop();
    memory.retained = await retainedAfterCollection(page, memory.renderer.pid);
    const bytes = responses.reduce((sum, response) => sum + response.bytes, 0);
    return { ...scrolled, memory, bytes, requests: responses.length };
  } finally {
    if (!memory) await sampler.stop().catch(() => {});
    await context.close();
  }
}

// A load's first page, step by step (ms from navigation start); the
// worker's messages are the web reader's only.
const PATH_STEPS = [
  ['reader page (html) arrived', (load) => load.navigation.responseEnd],
  ["page's scripts loaded and run (DOMContentLoaded)", (load) => load.navigation.domContentLoadedEventStart],
  ['worker asked to open the document', (load) => load.at('out', 'open')],
  ['module fetched in the worker (kwen-module.wasm)', (load) => load.resource('kwen-module.wasm')?.responseEnd],
  ['document request sent', (load) => load.documentEntry?.startTime],
  ['document first byte', (load) => load.documentEntry?.responseStart],
  ['document last byte', (load) => load.documentEntry?.responseEnd],
  ["page table read (worker: 'opened')", (load) => load.at('in', 'opened')],
  ["first pages' sizes known (worker: 'pages')", (load) => load.at('in', 'pages')],
  ['page 1 asked for (to worker: render)', (load) => load.at('out', 'render', (message) => message.page === 0)],
  ["page 1 built and back (worker: 'rendered')", (load) => load.at('in', 'rendered', (message) => message.page === 0)],
  ['page 1 painted', (load) => load.painted],
];

function firstPagePath(load) {
  const view = {
    ...load,
    at: (direction, type, test = () => true) => load.messages.find((message) => message.direction === direction
      && message.type === type && test(message))?.time,
    resource: (name) => load.timings.find((entry) => fileName(entry.name) === name),
  };
  return PATH_STEPS.map(([, step]) => step(view));
}

async function measure(readerKey, document, origin, pageCount) {
  const reader = READERS[readerKey];
  const loads = [];
  await withBrowser(async (browser) => {
    for (let run = 0; run < FIRST_PAGE_LOADS; run += 1) {
      loads.push(await firstPageLoad(browser, reader, origin, document));
    }
  });
  log(`  ${reader.label}: first page ${loads.map((load) => load.painted.toFixed(0)).join(', ')} ms`);
  const scroll = await withBrowser((browser) => scrollRun(browser, reader, origin, document, pageCount));
  log(`  ${reader.label}: scrolled ${pageCount} pages in ${(scroll.totalMs / 1000).toFixed(1)} s`);
  const fromFirstByte = loads.map((load) => load.painted - (load.documentEntry?.responseStart ?? NaN));
  const middle = loads.find((load) => load.painted === median(loads.map((each) => each.painted)));
  return {
    reader: reader.label,
    firstPage: median(loads.map((load) => load.painted)),
    firstPageFromByte: median(fromFirstByte),
    path: firstPagePath(middle),
    ...scroll,
  };
}

// --- Sizes of the files a site serves for each reader, gzip -9 each.

function gzippedBytes(file) {
  return execFileSync('gzip', ['-9', '-c', file], { maxBuffer: 1 << 30 }).length;
}

function filesSize(folder, names) {
  let raw = 0;
  let gzipped = 0;
  for (const name of names) {
    const file = path.join(folder, name);
    raw += statSync(file).size;
    gzipped += gzippedBytes(file);
  }
  return { raw, gzipped, count: names.length };
}

// --- The tables.

const fmt = (value, digits = 0) => (Number.isFinite(value) ? value.toFixed(digits) : 'n/a');
const mib = (bytes) => fmt(bytes / MIB, 1);
const kib = (bytes) => fmt(bytes / 1024, 0);
const table = (heading, rows) => [`| ${heading.join(' | ')} |`, `|${' --- |'.repeat(heading.length)}`,
  ...rows.map((row) => `| ${row.join(' | ')} |`)];

const TIME_HEADING = ['document', 'reader', 'first page from navigation, ms', "first page from the document's first byte, ms",
  'wait per page scrolling, mean ms', 'wait p95, ms', 'pages drawn ahead', 'scroll time per page, ms'];
const timeRow = (document, result) => [document.name, result.reader, fmt(result.firstPage), fmt(result.firstPageFromByte),
  fmt(mean(result.waits), 1), fmt(quantile(result.waits, 0.95), 1), `${result.drawnAhead}/${result.waits.length}`,
  fmt(result.totalMs / Math.max(1, result.waits.length), 1)];

const MEMORY_HEADING = ['document', 'reader', 'renderer peak RSS, MiB', 'renderer peak private, MiB',
  'renderer private after scrolling, garbage collected, MiB', 'GPU process peak RSS, MiB', 'page JS heap peak, MiB',
  "workers' JS heap peak, MiB", 'bytes transferred, KiB (requests)'];
const memoryRow = (document, { reader, memory, bytes, requests }) => [document.name, reader, mib(memory.renderer.rss),
  mib(memory.renderer.private), mib(memory.retained), mib(memory.gpu.rss), mib(memory.pageHeap), mib(memory.workerHeap),
  `${kib(bytes)} (${requests})`];

const server = await startServer(site);
const origin = `http://127.0.0.1:${server.port}`;
const measured = [];
let blank = null;
try {
  blank = await withBrowser(blankTab);
  for (const document of documents) {
    log(`${document.name}: ${document.kwen} and ${document.pdf}, ${document.pageCount} pages`);
    for (const readerKey of ['kwen', 'pdfjs']) {
      measured.push({ document, result: await measure(readerKey, document, origin, document.pageCount) });
    }
  }
} finally {
  await server.close();
  if (!process.env.WEB_BENCH_PROFILES) rmSync(profileRoot, { recursive: true, force: true });
}

const out = [];
out.push(...table(TIME_HEADING, measured.map(({ document, result }) => timeRow(document, result))), '');
out.push(...table(MEMORY_HEADING, measured.map(({ document, result }) => memoryRow(document, result))), '');
out.push(`A blank tab in the same browser: renderer RSS ${mib(blank.renderer.rss)} MiB, private `
  + `${mib(blank.renderer.private)} MiB; GPU process RSS ${mib(blank.gpu.rss)} MiB.`, '');
const ourFiles = readdirSync(site).filter((name) => statSync(path.join(site, name)).isFile());
const ourSize = filesSize(site, ourFiles);
const theirSize = filesSize(path.join(site, 'pdfjs'), PDFJS_FILES);
out.push(...table(['files served (gzip -9 each)', 'files', 'raw, KiB', 'compressed, KiB'], [
  ['web reader (build/web: page, scripts, module)', ourSize.count, kib(ourSize.raw), kib(ourSize.gzipped)],
  ['pdf.js (viewer page, pdf.min.mjs, pdf.worker.min.mjs, pdf_viewer.mjs and .css)', theirSize.count,
    kib(theirSize.raw), kib(theirSize.gzipped)],
]));
for (const document of documents) {
  const [ours, theirs] = measured.filter((each) => each.document === document).map(({ result }) => result.path);
  out.push('', `The first page of ${document.name}, step by step (the median load), ms from navigation start:`, '');
  out.push(...table(['step', 'web reader', 'pdf.js'],
    PATH_STEPS.map(([step], index) => [step, fmt(ours[index]), fmt(theirs[index])])));
}
console.log(out.join('\n'));
