// The web reader as a person uses it, in headless Chromium: documents
// opened by address, file picker and drag and drop; the page keys, zoom,
// thumbnails, invert, search, selection and copy; damaged documents; the
// place remembered; pages arriving; canvases dropped far away; and pages
// on the screen compared with kwentool's renders.
//
// Usage: node reader_test.mjs WEB_DIR KWENTOOL SCRATCH
// (or KWEN_WEB_DIR, KWENTOOL, KWEN_WEB_SCRATCH; KWEN_WEB_SCENARIOS=a,b runs
// only those scenarios). Exits 77 (skipped) when
// chromium or this folder's node_modules are missing (`npm ci` here).
import { existsSync, mkdirSync, rmSync, cpSync } from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { BOOK_PAGES, LONG_PAGES, LONG_TITLE, makeDocuments, nativeRender } from './documents.mjs';
import { compareWithNative } from './image-compare.mjs';
import { startServer } from './static-server.mjs';

const SKIPPED = 77;
const CHROMIUM = '/usr/bin/chromium';
const WAIT_MS = 10000;
const LONG_BYTES_PER_SECOND = 20000;  // the long document arrives in about 4 s
const WHOLE_TEST_MS = 240000;
const here = path.dirname(fileURLToPath(import.meta.url));
const [webDir, kwentool, scratch] = [
  process.argv[2] ?? process.env.KWEN_WEB_DIR,
  process.argv[3] ?? process.env.KWENTOOL,
  process.argv[4] ?? process.env.KWEN_WEB_SCRATCH,
].map((given) => given && path.resolve(given));

if (!webDir || !kwentool || !scratch) {
  console.error('usage: node reader_test.mjs WEB_DIR KWENTOOL SCRATCH');
  process.exit(2);
}
if (!existsSync(CHROMIUM)) {
  console.log(`skipped: ${CHROMIUM} is not installed`);
  process.exit(SKIPPED);
}
let puppeteer;
try {
  puppeteer = (await import('puppeteer-core')).default;
} catch {
  console.log(`skipped: puppeteer-core is not installed (npm ci in ${here})`);
  process.exit(SKIPPED);
}
if (!existsSync(path.join(webDir, 'reader.html'))) {
  console.error(`${webDir}/reader.html is missing: build the web reader first (scripts/build-web.sh)`);
  process.exit(1);
}

// --- Results.
const failures = [];
function check(name, ok, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${ok || !detail ? '' : `: ${detail}`}`);
  if (!ok) failures.push(name);
}

// --- The site: the built reader and the documents beside it.
const site = path.join(scratch, 'site');
const docs = path.join(site, 'docs');
const shots = path.join(scratch, 'screenshots');
rmSync(scratch, { recursive: true, force: true });
mkdirSync(docs, { recursive: true });
mkdirSync(shots, { recursive: true });
cpSync(webDir, site, { recursive: true });
const { bookText } = makeDocuments(kwentool, path.join(here, '../../examples/pages'), docs);

const server = await startServer(site);
const origin = `http://127.0.0.1:${server.port}`;
const browser = await puppeteer.launch({
  executablePath: CHROMIUM,
  headless: true,
  userDataDir: path.join(scratch, 'profile'),
  args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync', '--force-color-profile=srgb'],
});
const watchdog = setTimeout(() => {
  console.error(`FAIL the browser test took longer than ${WHOLE_TEST_MS / 1000} s`);
  process.exit(1);
}, WHOLE_TEST_MS);

// --- Driving the reader.

// A reader in a context of its own (its own local storage), on `query`.
async function openReader(query, { width = 1000, height = 750, scale = 1 } = {}) {
  const context = await browser.createBrowserContext();
  await context.overridePermissions(origin, ['clipboard-read', 'clipboard-sanitized-write']);
  const page = await context.newPage();
  page.on('pageerror', (error) => check('the page raises no script error', false, error.message));
  await page.setViewport({ width, height, deviceScaleFactor: scale });
  await page.goto(`${origin}/reader.html${query}`);
  return page;
}

const byAddress = (name) => `?doc=${encodeURIComponent(`docs/${name}`)}`;

async function waitUntil(page, condition, ...args) {
  try {
    await page.waitForFunction(condition, { timeout: WAIT_MS, polling: 50 }, ...args);
    return true;
  } catch {
    return false;
  }
}

const painted = (page, index) => waitUntil(page,
  (n) => document.querySelector(`.page[data-page="${n}"]`)?.dataset.state === 'painted', index);

// What a person sees: the page box, the count, the zoom, title, messages.
function seen(page) {
  return page.evaluate(() => {
    const text = (id) => document.getElementById(id).textContent;
    const banner = document.getElementById('banner');
    return {
      page: Number(document.getElementById('page-box').value),
      count: text('page-count'),
      zoom: document.getElementById('zoom-box').value,
      title: document.title,
      banner: banner.hidden ? '' : banner.textContent,
      search: text('search-status'),
      scrollTop: document.getElementById('viewport').scrollTop,
      viewHeight: document.getElementById('viewport').clientHeight,
    };
  });
}

// Presses a key with modifiers, "Control+Shift+F3".
async function press(page, combination) {
  const keys = combination.split(/\+(?=.)/);
  const [key, ...held] = [keys.pop(), ...keys];
  for (const modifier of held) await page.keyboard.down(modifier);
  await page.keyboard.press(key);
  for (const modifier of held.reverse()) await page.keyboard.up(modifier);
}

async function pageBoxShows(page, number) {
  await waitUntil(page, (n) => document.getElementById('page-box').value === String(n), number);
  return (await seen(page)).page;
}

// A page's rectangle on the screen and its CSS pixels per page pixel.
function pageFrame(page, index, pageWidth) {
  return page.evaluate((n, width) => {
    const frame = document.querySelector(`.page[data-page="${n}"]`).getBoundingClientRect();
    return { left: frame.left, top: frame.top, width: frame.width, height: frame.height, zoom: frame.width / width };
  }, index, pageWidth);
}

// The screen point of a page point.
function onScreen(frame, x, y) {
  return { x: frame.left + x * frame.zoom, y: frame.top + y * frame.zoom };
}

// The whole window, saved to be looked at.
const window = (page, name) => page.screenshot({ path: path.join(shots, `window-${name}.png`) });

const bookPage = (number) => bookText.pages[number - 1];
const wordBox = (number, line, word) => bookPage(number).lines[line].words[word].box;
const lineText = (number, line) => bookPage(number).lines[line].words.map((word) => word.text).join(' ');

// --- The scenarios.

async function opensByAddress() {
  const page = await openReader(byAddress('book.kwen'));
  check('the first page is painted', await painted(page, 0));
  const state = await seen(page);
  check('the page box shows 1 of the pages', state.page === 1 && state.count === `of ${BOOK_PAGES}`,
    `${state.page} ${state.count}`);
  check("the title is the document's", state.title === "The web reader's test book - kwenview", state.title);
  check('no message is shown', state.banner === '', state.banner);

  // The outline, stored after the pages, can be opened once the document is there.
  await waitUntil(page, () => !document.getElementById('outline-button').disabled);
  await page.click('#outline-button');
  const entries = await page.$$eval('.outline-entry', (links) =>
    links.map((link) => ({ title: link.textContent, indent: parseFloat(link.style.paddingLeft) })));
  check('the outline shows its three entries, the second within the first',
    entries.map((entry) => entry.title).join('|') === 'Part one|The lighthouse|The rock' &&
    entries[1].indent > entries[0].indent && entries[2].indent === entries[0].indent, JSON.stringify(entries));
  await window(page, 'outline');
  const links = await page.$$('.outline-entry');
  await links[2].click();
  check('a click on an entry shows its page', (await pageBoxShows(page, 9)) === 9);

  await page.goto(`${origin}/reader.html${byAddress('sample.kwen')}`);
  await painted(page, 0);
  await waitUntil(page, () => document.getElementById('progress').hidden);
  const bare = await page.evaluate(() =>
    ({ hidden: document.getElementById('outline').hidden, disabled: document.getElementById('outline-button').disabled }));
  check('a document without an outline: no outline panel, its button disabled', bare.hidden && bare.disabled,
    JSON.stringify(bare));
  await page.close();
}

async function pageKeysMove() {
  const page = await openReader(byAddress('book.kwen'));
  await painted(page, 0);
  const steps = [
    ['PageDown', 2], ['PageDown', 3], ['PageUp', 2], ['ArrowRight', 3], ['ArrowLeft', 2],
    ['Control+End', BOOK_PAGES], ['Control+Home', 1], ['ArrowLeft', 1],
  ];
  for (const [key, expected] of steps) {
    await press(page, key);
    const shown = await pageBoxShows(page, expected);
    check(`${key} shows page ${expected}`, shown === expected, `page ${shown}`);
  }
  for (const [keys, typed, expected] of [['g', '7', 7], ['Control+g', '11', 11], ['g', '99', BOOK_PAGES]]) {
    await press(page, keys);
    await page.keyboard.type(typed);
    await press(page, 'Enter');
    const shown = await pageBoxShows(page, expected);
    check(`${keys}, ${typed}, Enter shows page ${expected}`, shown === expected, `page ${shown}`);
  }
  await page.close();
}

async function scrollKeysMove() {
  const page = await openReader(byAddress('book.kwen'));
  await painted(page, 0);
  await press(page, 'PageDown');
  await press(page, 'PageDown');
  const top = (await seen(page)).scrollTop;
  const { viewHeight } = await seen(page);
  const step = 40;
  const moves = [
    ['ArrowDown', step], ['ArrowDown', 2 * step], ['ArrowUp', step], ['Space', step + viewHeight - step],
    ['Shift+Space', step], ['Home', 0],
  ];
  for (const [key, expected] of moves) {
    await press(page, key);
    await new Promise((resolve) => setTimeout(resolve, 50));
    const moved = (await seen(page)).scrollTop - top;
    check(`${key} leaves the view ${expected} pixels below page 3's top`, Math.abs(moved - expected) <= 1, `${moved}`);
  }
  await press(page, 'End');
  const end = await page.evaluate(() => {
    const frame = document.querySelector('.page[data-page="2"]').getBoundingClientRect();
    return frame.bottom - document.getElementById('viewport').getBoundingClientRect().bottom;
  });
  check("End shows page 3's end at the bottom of the view", Math.abs(end + 10) <= 1, `${end}`);
  check('... page 3 is still the current page', (await seen(page)).page === 3);

  await press(page, 'Control+f');
  await page.keyboard.type('g');
  await press(page, 'ArrowRight');
  const typing = await page.evaluate(() => document.getElementById('search-box').value);
  check('keys typed in the search box stay there', typing === 'g' && (await seen(page)).page === 3,
    `"${typing}", page ${(await seen(page)).page}`);
  await page.close();
}

async function zoomChanges() {
  const page = await openReader(byAddress('book.kwen'));
  await painted(page, 0);
  const canvasWidth = () => page.evaluate(() => document.querySelector('.page[data-page="0"] canvas').width);
  const width = bookPage(1).width;
  const room = await page.$eval('#viewport', (viewport) => viewport.clientWidth - 20);
  const fitWidth = (await seen(page)).zoom;
  check('fit width is the first zoom', fitWidth === `${Math.round((room / width) * 100)}%`, fitWidth);
  for (const [key, zoom, expected] of [['Control+=', '100%', width], ['Control+-', '75%', Math.round(width * 0.75)],
    ['Control+-', '67%', Math.round(width * 0.67)], ['Control+Shift++', '75%', Math.round(width * 0.75)]]) {
    await press(page, key);
    await waitUntil(page, (w) => document.querySelector('.page[data-page="0"] canvas').width === w, expected);
    const state = await seen(page);
    const built = await canvasWidth();
    check(`${key} zooms to ${zoom}, the page built ${expected} pixels wide`,
      state.zoom === zoom && Math.abs(built - expected) <= 1, `${state.zoom}, ${built}`);
  }
  await page.click('#fit-page');
  const whole = await page.evaluate(() => {
    const frame = document.querySelector('.page[data-page="0"]').getBoundingClientRect();
    return { height: frame.height, view: document.getElementById('viewport').clientHeight };
  });
  check('fit page shows the whole page', whole.height <= whole.view && whole.height > whole.view - 30,
    `${whole.height} in ${whole.view}`);
  await page.click('#zoom-box', { clickCount: 3 });
  await page.keyboard.type('150');
  await press(page, 'Enter');
  check('a zoom typed in the box is taken', (await seen(page)).zoom === '150%', (await seen(page)).zoom);

  // Ctrl+wheel zooms about the pointer: the word under it stays there.
  await page.click('#fit-width');
  await press(page, 'Control+Home');
  await painted(page, 0);
  const [left, top, right, bottom] = wordBox(1, 1, 3);
  const before = await pageFrame(page, 0, width);
  const point = onScreen(before, (left + right) / 2, (top + bottom) / 2);
  await page.mouse.move(point.x, point.y);
  await page.keyboard.down('Control');
  await page.mouse.wheel({ deltaY: -100 });
  await page.keyboard.up('Control');
  await waitUntil(page, () => document.getElementById('zoom-box').value === '100%');
  const after = await pageFrame(page, 0, width);
  const moved = onScreen(after, (left + right) / 2, (top + bottom) / 2);
  check('Ctrl+wheel zooms in a step', (await seen(page)).zoom === '100%', (await seen(page)).zoom);
  check('... about the pointer', Math.hypot(moved.x - point.x, moved.y - point.y) <= 2,
    `word moved from ${point.x},${point.y} to ${moved.x},${moved.y}`);
  await page.close();
}

async function crispOnHighDpi() {
  const page = await openReader(byAddress('book.kwen'), { width: 500, height: 600, scale: 2 });
  await painted(page, 0);
  const sizes = await page.evaluate(() => {
    const canvas = document.querySelector('.page[data-page="0"] canvas');
    return { css: canvas.getBoundingClientRect().width, device: canvas.width };
  });
  check('on a 2x screen the page is built at its device pixels', Math.abs(sizes.device - 2 * sizes.css) <= 1,
    `${sizes.device} pixels for ${sizes.css} CSS pixels`);
  check('... and the zoom box counts device pixels', (await seen(page)).zoom === `${Math.round((sizes.device / bookPage(1).width) * 100)}%`,
    (await seen(page)).zoom);
  await page.close();
}

async function thumbnailsJump() {
  const page = await openReader(byAddress('book.kwen'));
  await painted(page, 0);
  check('the thumbnails are hidden at first', await page.$eval('#thumbnails', (panel) => panel.hidden));
  await press(page, 'F9');
  check('F9 shows the thumbnails', !(await page.$eval('#thumbnails', (panel) => panel.hidden)));
  await waitUntil(page, () => document.querySelector('.thumbnail[data-page="0"] canvas').width > 0);
  const drawn = await page.$$eval('.thumbnail canvas', (canvases) => canvases.map((canvas) => canvas.width > 0));
  check('the thumbnails near the view are drawn, the far ones not yet', drawn[0] && !drawn[BOOK_PAGES - 1],
    drawn.map(Number).join(''));
  await window(page, 'thumbnails');
  check('... the first marked as the current page',
    await page.$eval('.thumbnail[data-page="0"]', (item) => item.classList.contains('current')));
  const target = await page.$('.thumbnail[data-page="5"]');
  await target.scrollIntoView();
  await target.click();
  const shown = await pageBoxShows(page, 6);
  check('a click on thumbnail 6 shows page 6', shown === 6, `page ${shown}`);
  check('... and marks it', await page.$eval('.thumbnail[data-page="5"]', (item) => item.classList.contains('current')));
  await press(page, 'F9');
  check('F9 hides them again', await page.$eval('#thumbnails', (panel) => panel.hidden));
  // The pages are laid out again, wider: page 6 is built anew.
  check('... and page 6 is painted again in the wider view', await painted(page, 5));
  await press(page, 'Control+i');
  const filter = await page.$eval('.page[data-page="5"] canvas', (canvas) => getComputedStyle(canvas).filter);
  check('Ctrl+I inverts the pages', filter === 'invert(1)', filter);
  await press(page, 'Control+i');
  check('... and Ctrl+I again puts them back',
    await page.$eval('.page[data-page="5"] canvas', (canvas) => getComputedStyle(canvas).filter) === 'none');
  await page.close();
}

// The marks over a page, in page pixels.
function marksOn(page, index, className, zoom) {
  return page.evaluate((n, name, scale) => {
    const frame = document.querySelector(`.page[data-page="${n}"]`).getBoundingClientRect();
    return [...document.querySelectorAll(`.page[data-page="${n}"] .${name}`)].map((mark) => {
      const box = mark.getBoundingClientRect();
      return {
        current: mark.classList.contains('current'),
        box: [box.left - frame.left, box.top - frame.top, box.right - frame.left, box.bottom - frame.top].map((v) => v / scale),
      };
    });
  }, index, className, zoom);
}

const near = (a, b, tolerance) => a.length === b.length && a.every((value, i) => Math.abs(value - b[i]) <= tolerance);

async function searchFinds() {
  const page = await openReader(byAddress('book.kwen'));
  await painted(page, 0);
  await press(page, 'Control+f');
  await page.keyboard.type('lighthouse');
  await waitUntil(page, () => document.getElementById('search-status').textContent === '1 of 2');
  check('typing searches: "1 of 2"', (await seen(page)).search === '1 of 2', (await seen(page)).search);
  check('... the view goes to the first place, on page 5', (await seen(page)).page === 5, `${(await seen(page)).page}`);
  await painted(page, 4);
  const frame = await pageFrame(page, 4, bookPage(5).width);
  const marks = await marksOn(page, 4, 'hit', frame.zoom);
  const expected = wordBox(5, 3, 1);
  check('the word is marked in orange where it is on the page',
    marks.length === 1 && marks[0].current && near(marks[0].box, expected, 2), JSON.stringify({ marks, expected }));
  await window(page, 'search');
  for (const [key, status, pageNumber] of [['F3', '2 of 2', 9], ['F3', '1 of 2', 5], ['Shift+F3', '2 of 2', 9],
    ['Enter', '1 of 2', 5], ['Shift+Enter', '2 of 2', 9]]) {
    await press(page, key);
    await pageBoxShows(page, pageNumber);
    const state = await seen(page);
    check(`${key}: "${status}" on page ${pageNumber}`, state.search === status && state.page === pageNumber,
      `"${state.search}" on page ${state.page}`);
  }
  // From page 9, a word on every page: Enter right after typing searches
  // at once (stepping through the old places would go to page 5 first).
  await press(page, 'Control+a');
  await page.keyboard.type('quick');
  await press(page, 'Enter');
  await waitUntil(page, () => document.getElementById('search-status').textContent.endsWith(' of 12'));
  await pageBoxShows(page, 9);
  const hits = await page.$$eval('.hit', (found) => found.length);
  const state = await seen(page);
  check('Enter right after typing searches at once, from the page in view: "9 of 12", marked',
    state.search === '9 of 12' && state.page === 9 && hits >= 1, `"${state.search}" on page ${state.page}, ${hits} marks`);
  await page.keyboard.type('zzz');
  await waitUntil(page, () => document.getElementById('search-status').textContent === 'No matches');
  check('"No matches"', (await seen(page)).search === 'No matches', (await seen(page)).search);
  await press(page, 'Escape');
  check('Escape closes the search bar, its marks gone',
    await page.$eval('#search-bar', (bar) => bar.hidden) && (await page.$$('.hit')).length === 0);
  await page.close();

  for (const [name, note] of [['sample.kwen', 'This document has no text'],
    ['damaged-text.bs', "The document's text is damaged"]]) {
    const other = await openReader(byAddress(name));
    await painted(other, 0);
    await press(other, 'Control+f');
    await other.keyboard.type('the');
    await waitUntil(other, (text) => document.getElementById('search-status').textContent === text, note);
    check(`${name}: "${note}"`, (await seen(other)).search === note, (await seen(other)).search);
    await other.close();
  }
}

async function selectsAndCopies() {
  const page = await openReader(byAddress('book.kwen'));
  await painted(page, 0);
  const frame = await pageFrame(page, 0, bookPage(1).width);
  const middle = (box) => onScreen(frame, (box[0] + box[2]) / 2, (box[1] + box[3]) / 2);
  const drags = [
    { what: 'a line', from: wordBox(1, 1, 0), to: wordBox(1, 1, 8), text: lineText(1, 1), words: 9 },
    { what: 'two lines', from: wordBox(1, 1, 6), to: wordBox(1, 2, 2), text: `the lazy dog.\nPack my box`, words: 6 },
  ];
  for (const drag of drags) {
    const start = middle(drag.from);
    const end = middle(drag.to);
    await page.mouse.move(start.x, start.y);
    await page.mouse.down();
    await page.mouse.move(end.x, end.y, { steps: 5 });
    await page.mouse.up();
    await waitUntil(page, (count) => document.querySelectorAll('.selected').length === count, drag.words);
    const marked = await page.$$eval('.selected', (marks) => marks.length);
    check(`dragging over ${drag.what} marks its ${drag.words} words`, marked === drag.words, `${marked} marked`);
    await window(page, `selection-${drag.words}`);
    await page.evaluate(() => navigator.clipboard.writeText(''));
    await press(page, 'Control+c');
    const copied = await page.evaluate(() => navigator.clipboard.readText());
    check(`Ctrl+C copies ${drag.what}`, copied === drag.text, JSON.stringify(copied));
  }
  await page.mouse.click(frame.left + 5, frame.top + 5);
  check('a click clears the selection', (await page.$$('.selected')).length === 0);

  // Held at the view's bottom edge, a drag scrolls the view and the selection follows.
  const before = await page.$eval('#viewport', (element) =>
    ({ bottom: element.getBoundingClientRect().bottom, scrollTop: element.scrollTop }));
  const first = middle(wordBox(1, 1, 0));
  await page.mouse.move(first.x, first.y);
  await page.mouse.down();
  await page.mouse.move(first.x, before.bottom - 4, { steps: 5 });
  const reached = await waitUntil(page, () => document.querySelector('.page[data-page="1"] .selected') !== null);
  await page.mouse.up();
  const scrolled = await page.$eval('#viewport', (element) => element.scrollTop);
  check('a drag held at the bottom edge scrolls the view and selects on into page 2',
    reached && scrolled > before.scrollTop, `scrolled ${before.scrollTop} -> ${scrolled}`);
  await page.close();
}

async function damagedDocumentsSaySo() {
  const page = await openReader(byAddress('nothing.kwen'));
  await waitUntil(page, () => !document.getElementById('banner').hidden);
  let state = await seen(page);
  check('a file that is no document: a message in the page', state.banner.startsWith('nothing.kwen '), state.banner);
  await window(page, 'no-document');
  check('... and no pages', state.count === 'of 0', state.count);

  const input = await page.$('#file-input');
  await input.uploadFile(path.join(docs, 'book.kwen'));
  check('then a document opened with the file picker reads', await painted(page, 0));
  state = await seen(page);
  check('... its title shown, the message gone', state.title === "The web reader's test book - kwenview" &&
    state.banner === '' && state.count === `of ${BOOK_PAGES}`, JSON.stringify(state));

  await page.evaluate(async () => {
    const bytes = await (await fetch('docs/sample.kwen')).blob();
    const transfer = new DataTransfer();
    transfer.items.add(new File([bytes], 'dropped.kwen'));
    for (const type of ['dragover', 'drop']) {
      document.body.dispatchEvent(new DragEvent(type, { dataTransfer: transfer, bubbles: true, cancelable: true }));
    }
  });
  await waitUntil(page, () => document.getElementById('page-count').textContent === 'of 3');
  check('a document dropped on the page opens', (await seen(page)).title === 'dropped.kwen - kwenview' &&
    await painted(page, 0), (await seen(page)).title);

  await page.goto(`${origin}/reader.html${byAddress('absent.kwen')}`);
  await waitUntil(page, () => !document.getElementById('banner').hidden);
  state = await seen(page);
  check('a fetch that fails: a message', state.banner.includes('absent.kwen') && state.banner.includes('404'), state.banner);

  await page.goto(`${origin}/reader.html${byAddress('cut.kwen')}`);
  await waitUntil(page, () => !document.getElementById('banner').hidden);
  state = await seen(page);
  check('a document cut short: a message', state.banner.includes('cut short'), state.banner);
  await window(page, 'cut-short');
  check('... its first page painted', await painted(page, 0));
  const last = await page.evaluate(() => {
    document.getElementById('viewport').scrollTop = 1e9;
    return new Promise((resolve) => requestAnimationFrame(() => resolve(
      [...document.querySelectorAll('.page')].map((element) => element.dataset.state))));
  });
  check('... the pages past its end marked missing', last.includes('missing'), last.join(' '));

  await page.goto(`${origin}/reader.html${byAddress('damaged-page.bs')}`);
  await waitUntil(page, () => !document.getElementById('banner').hidden);
  state = await seen(page);
  check('a document with a damaged page: a message naming it', state.banner.includes('Page 2 is damaged'), state.banner);
  const pages = await page.evaluate(() => new Promise((resolve) => {
    document.getElementById('viewport').scrollTop = 1e9;
    setTimeout(() => resolve(Object.fromEntries([...document.querySelectorAll('.page')].map((element) =>
      [element.dataset.page, element.dataset.state]))), 500);
  }));
  check('... that page marked, the page after it shown', pages[1] === 'failed' && pages[2] === 'painted',
    JSON.stringify(pages));
  await page.close();
}

async function placeRemembered() {
  const page = await openReader(byAddress('book.kwen'));
  await painted(page, 0);
  for (const key of ['PageDown', 'PageDown', 'PageDown', 'PageDown', 'PageDown', 'Control+=']) await press(page, key);
  const left = await seen(page);
  await page.reload();
  await painted(page, 5);
  const back = await seen(page);
  check('reopened, the document shows the page and zoom it was left at',
    back.page === 6 && back.zoom === left.zoom && left.zoom === '100%', `${back.page} at ${back.zoom}`);
  await page.goto(`${origin}/reader.html${byAddress('sample.kwen')}`);
  await painted(page, 0);
  check('another document opens at its own first page', (await seen(page)).page === 1);
  await page.close();
}

async function pagesShowAsTheyArrive() {
  const page = await openReader(`?doc=${encodeURIComponent(`docs/long.kwen?throttle=${LONG_BYTES_PER_SECOND}`)}`);
  const early = await painted(page, 0);
  await press(page, 'Control+End');
  await waitUntil(page, (last) => document.querySelector(`.page[data-page="${last}"]`), LONG_PAGES - 1);
  const arriving = await page.evaluate((last) => ({
    progress: document.getElementById('progress-text').hidden ? '' : document.getElementById('progress-text').textContent,
    last: document.querySelector(`.page[data-page="${last}"]`)?.dataset.state,
    title: document.title,
  }), LONG_PAGES - 1);
  await window(page, 'arriving');
  check('the first page shows while the document still arrives', early && / of /.test(arriving.progress),
    arriving.progress);
  check('... the last page a grey sheet until its bytes are there', arriving.last === 'waiting', arriving.last);
  await waitUntil(page, () => document.getElementById('progress-text').hidden);
  check('... and the last page once it has', await painted(page, LONG_PAGES - 1));
  const title = `${LONG_TITLE} - kwenview`;
  await waitUntil(page, (expected) => document.title === expected, title);
  check("the title is the file's name until the document's own title has arrived",
    arriving.title === 'long.kwen - kwenview' && (await seen(page)).title === title, `${arriving.title}, ${(await seen(page)).title}`);
  await page.close();
}

async function canvasesStayFew() {
  const page = await openReader(byAddress('book.kwen'));
  await painted(page, 0);
  await page.click('#fit-page');
  let most = 0;
  for (let number = 2; number <= BOOK_PAGES; ++number) {
    await press(page, 'PageDown');
    await painted(page, number - 1);
    most = Math.max(most, await page.$$eval('.page canvas', (canvases) => canvases.filter((c) => c.width > 0).length));
  }
  check('scrolling through the pages keeps at most 6 canvases', most <= 6, `${most} at once`);
  check('... the first page dropped at the end', (await page.$('.page[data-page="0"]')) === null);
  await page.close();
}

// A page on the screen at one device pixel per page pixel, compared with
// kwentool's render of it.
// Where page `index` is in the view: the clip of it on the screen, and
// that clip's place on the page.
function pageFrameInView(index) {
  const viewport = document.getElementById('viewport');
  const place = document.querySelector(`.page[data-page="${index}"]`).getBoundingClientRect();
  const view = viewport.getBoundingClientRect();
  const left = Math.max(place.left, view.left);
  const top = Math.max(place.top, view.top);
  return {
    clip: { x: left, y: top, width: Math.min(place.right, view.right) - left, height: Math.min(place.bottom, view.bottom) - top },
    pageLeft: left - place.left,
    pageTop: top - place.top,
  };
}

// A screenshot of page `index` taken while nothing moves: the page built
// to size and in the same place before and after (a loaded machine may
// still be laying out or painting).
async function steadyScreenshot(page, index, shot, builtToSize) {
  const settled = () => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));
  for (let attempt = 0; ; attempt += 1) {
    await page.waitForFunction(builtToSize, { timeout: 6 * WAIT_MS, polling: 50 }, index);
    await page.evaluate(settled);
    const before = await page.evaluate(pageFrameInView, index);
    await page.screenshot({ path: shot, clip: before.clip });
    const after = await page.evaluate(pageFrameInView, index);
    const built = await page.evaluate(builtToSize, index);
    if ((built && JSON.stringify(before) === JSON.stringify(after)) || attempt === 4) return before;
  }
}

async function pagesMatchNativeRenders() {
  const page = await openReader(byAddress('sample.kwen'));
  await painted(page, 0);
  // 100% shows the 300 dpi pages pixel for pixel; the 150 dpi colour page,
  // shown at the same paper size, is pixel for pixel at 50%.
  for (const [number, zoom, x, y] of [[1, '100', 400, 700], [3, '50', 100, 200]]) {
    await page.click('#zoom-box', { clickCount: 3 });
    await page.keyboard.type(zoom);
    await press(page, 'Enter');
    await press(page, 'g');
    await page.keyboard.type(String(number));
    await press(page, 'Enter');
    // Built at the zoom's own size, not a smaller build stretched while the
    // new one is on its way; a loaded machine may take a while.
    const builtToSize = (n) => {
      const canvas = document.querySelector(`.page[data-page="${n}"] canvas`);
      return canvas !== null && canvas.width === Math.round(canvas.getBoundingClientRect().width);
    };
    await page.waitForFunction(builtToSize, { timeout: 6 * WAIT_MS, polling: 50 }, number - 1);
    await page.evaluate((down, across) => {
      const viewport = document.getElementById('viewport');
      viewport.scrollTop += down;
      viewport.scrollLeft = across;
    }, y, x);
    const shot = path.join(shots, `sample-page${number}.png`);
    const frame = await steadyScreenshot(page, number - 1, shot, builtToSize);
    const native = nativeRender(kwentool, docs, 'sample.kwen', number);
    const result = await compareWithNative(page, shot, native, frame.pageLeft, frame.pageTop);
    check(`page ${number} on the screen is kwentool's render within a grey level (${result.width}x${result.height})`,
      result.differing === 0 && result.outside === 0 && result.width > 200, JSON.stringify(result));
  }
  await page.close();
}

const only = process.env.KWEN_WEB_SCENARIOS?.split(',');  // a developer's choice of scenarios
const scenarios = [opensByAddress, pageKeysMove, scrollKeysMove, zoomChanges, crispOnHighDpi, thumbnailsJump,
  searchFinds, selectsAndCopies, damagedDocumentsSaySo, placeRemembered, pagesShowAsTheyArrive, canvasesStayFew,
  pagesMatchNativeRenders];
for (const scenario of scenarios.filter((chosen) => !only || only.includes(chosen.name))) {
  try {
    await scenario();
  } catch (error) {
    check(scenario.name, false, error.stack);
  }
}
clearTimeout(watchdog);
await browser.close();
await server.close();
console.log(failures.length ? `${failures.length} failed` : 'all passed');
process.exit(failures.length ? 1 : 0);
