// The reader's decoding worker: fetches one document as it arrives, restores
// it a slice at a time, builds the pages the page asks for (the newest
// request first) and answers searches, so that the page never waits.
//
// From the page: {type: 'open', url} or {type: 'open', file};
// {type: 'render', id, page, scale, area}; {type: 'drop', ids};
// {type: 'recycle', buffer}; {type: 'search', id, query}; {type: 'pageWords', page}.
// To the page: 'progress', 'opened', 'pages', 'complete', 'text', 'rendered',
// 'renderFailed', 'searchResult', 'pageWords', 'error' (see each post below).
import { loadKwen } from './kwen.js';

// Unpacked bytes restored between two looks at the queue of requests:
// small until the first page is there, so that it shows at once.
const kRestoreSlice = 256 << 10;
const kFirstRestoreSlice = 32 << 10;
// Below this, every piece that arrives is a new try at the page table;
// above it, tries wait for the bytes to double.
const kEagerOpenBytes = 1 << 20;
const kProgressEveryMs = 100;
// Pixel buffers the page has painted and handed back, for the next builds
// of the same size: the page's memory then stays flat while it scrolls,
// rather than waiting for each buffer to be collected.
const kPooledBuffers = 4;

const kwenReady = loadKwen();
const state = {
  document: null,
  name: '',
  pieces: [],          // what arrived before the page table could be read
  received: 0,
  total: null,
  complete: false,
  nextTry: 0,          // bytes at which the next try to open is made
  pagesSent: 0,
  restoring: false,
  finished: false,     // 'complete' was posted
  renders: [],
  pool: [],
  damagedPages: [],    // {index, reason} of pages whose facts cannot be read
  readFailure: '',     // why the download stopped early
  lastProgress: -Infinity,
  failed: false,
};

const post = (message, transfer = []) => self.postMessage(message, transfer);

// Work runs a step at a time, each in a task of its own, so that messages
// (new requests, drops) are taken between steps.
const wake = new MessageChannel();
let stepQueued = false;
wake.port1.onmessage = () => {
  stepQueued = false;
  step();
};
function schedule() {
  if (!stepQueued) {
    stepQueued = true;
    wake.port2.postMessage(null);
  }
}

self.onmessage = ({ data }) => {
  switch (data.type) {
    case 'open': return open(data);
    case 'render':
      state.renders.push(data);
      return schedule();
    case 'drop': {
      const dropped = new Set(data.ids);
      state.renders = state.renders.filter((request) => !dropped.has(request.id));
      return undefined;
    }
    case 'recycle':
      // The newest are kept: after a zoom, the old sizes are not asked again.
      state.pool.push(data.buffer);
      if (state.pool.length > kPooledBuffers) state.pool.shift();
      return undefined;
    case 'search': return search(data);
    case 'pageWords': return pageWords(data.page);
    default: return undefined;
  }
};

// The document is fetched while the module compiles.
async function open(request) {
  let reader;
  try {
    if (request.file) {
      state.name = request.file.name || 'document.kwen';
      state.total = request.file.size;
      reader = request.file.stream().getReader();
    } else {
      const url = new URL(request.url, self.location.href);
      state.name = request.name || url.pathname.split('/').pop() || 'document.kwen';
      const response = await fetch(url);
      if (!response.ok) throw new Error(`${state.name} cannot be fetched: ${response.status} ${response.statusText}`.trim());
      const length = Number(response.headers.get('Content-Length'));
      const encoded = response.headers.get('Content-Encoding');
      state.total = length > 0 && !encoded ? length : null;
      reader = response.body.getReader();
    }
  } catch (error) {
    return fail(error.message || String(error));
  }
  let kwen;
  try {
    kwen = await kwenReady;
  } catch (error) {
    return fail(`The reader's decoder cannot be loaded: ${error.message || error}`);
  }
  for (;;) {
    let piece;
    try {
      piece = await reader.read();
    } catch (error) {
      // What arrived is kept, as a file cut short is.
      state.readFailure = `${state.name} stopped arriving: ${error.message || error}`;
      break;
    }
    if (piece.done) break;
    arrived(kwen, piece.value, false);
    if (state.failed) return undefined;
  }
  if (state.received === 0) return fail(`${state.name} is empty`);
  arrived(kwen, new Uint8Array(0), true);
  return undefined;
}

function fail(message) {
  state.failed = true;
  post({ type: 'error', message });
}

function arrived(kwen, bytes, complete) {
  state.received += bytes.length;
  state.complete = complete;
  const now = performance.now();
  if (complete || now - state.lastProgress >= kProgressEveryMs) {
    state.lastProgress = now;
    post({ type: 'progress', received: state.received, total: state.total });
  }
  if (state.document) {
    try {
      state.document.arrive(bytes, complete);
    } catch (error) {
      state.failed = true;
      finish({ state: 'damaged' }, error.message);
      return;
    }
  } else {
    state.pieces.push(bytes);
    if (complete || state.received >= state.nextTry) tryOpen(kwen);
    if (!state.document) return;
  }
  state.restoring = true;
  schedule();
}

function joinPieces() {
  const all = new Uint8Array(state.received);
  let at = 0;
  for (const piece of state.pieces) {
    all.set(piece, at);
    at += piece.length;
  }
  return all;
}

// Tries to read the page table from what has arrived; a failure is final
// only once everything has.
function tryOpen(kwen) {
  try {
    state.document = kwen.open(joinPieces(), state.name, state.complete);
  } catch (error) {
    if (state.complete) fail(error.message.startsWith(state.name) ? error.message : `${state.name} cannot be opened: ${error.message}`);
    state.nextTry = state.received < kEagerOpenBytes ? 0 : state.received * 2;
    return;
  }
  state.pieces = [];
  let title = '';
  try {
    if (state.complete) title = state.document.textOutline().title;
  } catch {
    // A damaged text layer is told with the text's state.
  }
  post({ type: 'opened', pageCount: state.document.pageCount, title });
}

function step() {
  if (state.renders.length > 0) {
    render(state.renders.pop());
  } else if (state.restoring) {
    restoreSlice();
  }
  if (state.renders.length > 0 || state.restoring) schedule();
}

function render(request) {
  if (!state.document) {
    post({ type: 'renderFailed', id: request.id, page: request.page, message: 'The document is not open yet' });
    return;
  }
  try {
    const built = state.document.render(request.page, request.scale, request.area || undefined, state.pool);
    post({ type: 'rendered', id: request.id, page: request.page, width: built.width, height: built.height,
      pixels: built.pixels }, [built.pixels.buffer]);
  } catch (error) {
    post({ type: 'renderFailed', id: request.id, page: request.page, message: error.message });
  }
}

function restoreSlice() {
  const before = state.document.restore(0);
  let progress;
  try {
    const slice = state.pagesSent > 0 ? kRestoreSlice : kFirstRestoreSlice;
    progress = state.document.restore(before.restored + slice);
  } catch (error) {
    state.restoring = false;
    if (state.pagesSent === 0) return fail(error.message);
    return finish(before, error.message);
  }
  sendPages(progress.pagesReady);
  const stalled = progress.restored === before.restored;
  if (progress.state !== 'going' || (stalled && state.complete)) {
    state.restoring = false;
    finish(progress);
  } else if (stalled) {
    state.restoring = false;  // waits for more bytes
  }
  return undefined;
}

function sendPages(ready) {
  if (ready <= state.pagesSent) return;
  const infos = [];
  for (let index = state.pagesSent; index < ready; index += 1) {
    try {
      infos.push(state.document.page(index));
    } catch (error) {
      // A damaged page is told as such; the pages after it still show.
      infos.push({ index, failed: error.message });
      state.damagedPages.push({ index, reason: error.message });
    }
  }
  state.pagesSent = ready;
  post({ type: 'pages', infos });
}

// What the page shows once the document has arrived: how it ended, why,
// and the first damaged page.
function endingNote(ending, failure) {
  const notes = [endingMessage(ending, state.pagesSent)];
  if (failure) notes.push(failure);
  if (ending === 'cutShort' && state.readFailure) notes.push(state.readFailure);
  const damaged = state.damagedPages[0];
  if (damaged) {
    const more = state.damagedPages.length > 1 ? ` (and ${state.damagedPages.length - 1} more)` : '';
    notes.push(`Page ${damaged.index + 1} is damaged${more}: ${damaged.reason}`);
  }
  return notes.filter(Boolean).join('. ');
}

const kStates = { going: 'cutShort', whole: 'whole', tooLarge: 'tooLarge', cutShort: 'cutShort', damaged: 'damaged' };

function endingMessage(ending, pages) {
  switch (ending) {
    case 'tooLarge': return 'The document is too large: it restores to more than 2 GiB';
    case 'cutShort':
      return pages === 0 ? 'The document is cut short within its first page'
        : `The document is cut short after page ${pages}`;
    case 'damaged':
      return pages === 0 ? 'The document is damaged: not even its first page can be restored'
        : `The document is damaged after page ${pages}`;
    default: return '';
  }
}

// `failure`: why restoring stopped, when it failed rather than ended.
function finish(progress, failure = '') {
  if (state.finished) return;
  state.finished = true;
  const ending = failure ? 'damaged' : kStates[progress.state];
  post({ type: 'complete', state: ending, message: endingNote(ending, failure) });
  const text = state.document.textState();
  // The title and outline are stored with the text, after the pages: known only now.
  const { title, outline } = text.state === 'damaged' ? { title: '', outline: [] } : state.document.textOutline();
  post({ type: 'text', ...text, title, outline });
}

function search(request) {
  const reply = { type: 'searchResult', id: request.id, query: request.query, hits: [], capped: false };
  if (state.finished && state.document) {
    try {
      const found = state.document.search(request.query);
      reply.hits = found.hits.map((hit) => ({
        page: hit.page,
        boxes: hit.boxes.map(([left, top, right, bottom]) => ({ left, top, right, bottom })),
      }));
      reply.capped = found.capped;
    } catch {
      // A damaged text finds nothing; its state was told with 'text'.
    }
  }
  post(reply);
}

function pageWords(page) {
  let lines = [];
  if (state.finished && state.document) {
    try {
      lines = state.document.pageLines(page).map((line) => ({
        words: line.words.map(({ text, box: [left, top, right, bottom] }) => ({ text, left, top, right, bottom })),
      }));
    } catch {
      // No words for a page whose text cannot be read.
    }
  }
  post({ type: 'pageWords', page, lines });
}
