// One document's decoding worker: requests out, messages in as events.
// A new document gets a new session; closing one ends its worker.

const WORKER_FAILED = 'The reader could not start its decoder (worker.js did not load).';

export class DocumentSession extends EventTarget {
  constructor() {
    super();
    this.worker = new Worker(new URL('./worker.js', import.meta.url), { type: 'module' });
    this.nextId = 1;
    this.renders = new Map();  // id -> callback(result or null on failure)
    this.worker.addEventListener('message', (event) => this.receive(event.data));
    this.worker.addEventListener('error', (event) => {
      event.preventDefault();
      this.emit('error', { message: WORKER_FAILED });
    });
  }

  // source: {url} or {file}.
  open(source) {
    this.worker.postMessage({ type: 'open', ...source });
  }

  close() {
    this.worker.terminate();
    this.renders.clear();
  }

  // Asks for page `page` at `scale`; `done` gets {width, height, pixels}, or
  // null and the reason when it failed. Returns the request's id, for drop().
  render(page, scale, done) {
    const id = this.nextId++;
    this.renders.set(id, done);
    this.worker.postMessage({ type: 'render', id, page, scale });
    return id;
  }

  // Hands painted pixels back: the worker builds the next page of that
  // size into them instead of leaving each page's buffer to the collector,
  // which lets hundreds of megabytes pile up while pages are scrolled.
  recycle(pixels) {
    this.worker.postMessage({ type: 'recycle', buffer: pixels.buffer }, [pixels.buffer]);
  }

  drop(ids) {
    const wanted = ids.filter((id) => this.renders.delete(id));
    if (wanted.length) this.worker.postMessage({ type: 'drop', ids: wanted });
  }

  search(query) {
    const id = this.nextId++;
    this.worker.postMessage({ type: 'search', id, query });
    return id;
  }

  pageWords(page) {
    this.worker.postMessage({ type: 'pageWords', page });
  }

  receive(message) {
    if (!message || typeof message.type !== 'string') return;
    if (message.type === 'rendered' || message.type === 'renderFailed') {
      const done = this.renders.get(message.id);
      if (!done) return;
      this.renders.delete(message.id);
      done(message.type === 'rendered' ? message : null, message.message);
      return;
    }
    this.emit(message.type, message);
  }

  emit(type, detail) {
    this.dispatchEvent(new CustomEvent(type, { detail }));
  }
}
