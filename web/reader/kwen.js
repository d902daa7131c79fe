// The document library's module, wrapped: documents opened from bytes that
// may still be arriving, pages built to RGBA, the text layer as objects.
// Used by the decoding worker and by the tests under node.
import createKwenModule from './kwen-module.js';

const kRestoreStates = ['going', 'whole', 'tooLarge', 'cutShort', 'damaged'];
const kFactCount = 5;
const kProgressCount = 4;

export async function loadKwen(moduleOptions = {}) {
  return new Kwen(await createKwenModule(moduleOptions));
}

// Raised with the library's own message.
export class KwenError extends Error {}

class Kwen {
  constructor(module) {
    this.module = module;
  }

  // Opens `bytes` (a Uint8Array) named `name`; until `complete` they are
  // the first of a packed document's, and a KwenError may only mean that
  // too little has arrived yet.
  open(bytes, name, complete) {
    const handle = this.withBytes(bytes, (at) => this.withString(name, (namePointer) =>
      this.module._kw_open(at, bytes.length, namePointer, complete ? 1 : 0)));
    if (handle === 0) throw new KwenError('Not enough memory');
    if (!this.module._kw_opened(handle)) {
      const failure = this.failure(handle);
      this.module._kw_close(handle);
      throw failure;
    }
    return new KwenDocument(this, handle);
  }

  // The last failure on `handle`, in the library's words.
  failure(handle) {
    return new KwenError(this.module.UTF8ToString(this.module._kw_error(handle)));
  }

  withBytes(bytes, use) {
    const at = this.module._malloc(Math.max(1, bytes.length));
    if (at === 0) throw new KwenError('Not enough memory');
    try {
      this.module.HEAPU8.set(bytes, at);
      return use(at);
    } finally {
      this.module._free(at);
    }
  }

  withString(text, use) {
    const size = this.module.lengthBytesUTF8(text) + 1;
    const at = this.module._malloc(size);
    if (at === 0) throw new KwenError('Not enough memory');
    try {
      this.module.stringToUTF8(text, at, size);
      return use(at);
    } finally {
      this.module._free(at);
    }
  }

  // Calls `use` with room for `count` numbers of the typed array `Kind`.
  withNumbers(Kind, count, use) {
    const at = this.module._malloc(count * Kind.BYTES_PER_ELEMENT);
    if (at === 0) throw new KwenError('Not enough memory');
    try {
      const ok = use(at);
      return ok ? Array.from(new Kind(this.module.HEAPU8.buffer, at, count)) : null;
    } finally {
      this.module._free(at);
    }
  }

  // A JSON text the module handed out for `handle`, or a KwenError.
  json(handle, pointer) {
    if (pointer === 0) throw this.failure(handle);
    return JSON.parse(this.module.UTF8ToString(pointer));
  }
}

class KwenDocument {
  constructor(kwen, handle) {
    this.kwen = kwen;
    this.module = kwen.module;
    this.handle = handle;
    this.pageCount = this.module._kw_page_count(handle);
  }

  arrive(bytes, complete) {
    const ok = this.kwen.withBytes(bytes, (at) =>
      this.module._kw_arrive(this.handle, at, bytes.length, complete ? 1 : 0));
    if (!ok) throw this.kwen.failure(this.handle);
  }

  // Restores until `bytes` of the unpacked document are there, as far as
  // the bytes that have arrived go.
  restore(bytes = Number.MAX_SAFE_INTEGER) {
    const got = this.kwen.withNumbers(Float64Array, kProgressCount, (at) =>
      this.module._kw_restore(this.handle, bytes, at));
    if (got === null) throw this.kwen.failure(this.handle);
    return { restored: got[0], total: got[1], pagesReady: got[2], state: kRestoreStates[got[3]] };
  }

  page(index) {
    const facts = this.kwen.withNumbers(Int32Array, kFactCount, (at) =>
      this.module._kw_page_info(this.handle, index, at));
    if (facts === null) throw this.kwen.failure(this.handle);
    return { index, width: facts[0], height: facts[1], dpi: facts[2], bitsPerPixel: facts[3], grey: facts[4] !== 0 };
  }

  // Page `index` at `scale`, the part `area` of the scaled page (width or
  // height 0: to the edge): {width, height, pixels} with RGBA pixels of
  // its own, in an ArrayBuffer taken from `pool` when one there fits.
  render(index, scale, area = { left: 0, top: 0, width: 0, height: 0 }, pool = []) {
    const at = this.module._kw_render(this.handle, index, scale, area.left, area.top, area.width, area.height);
    if (at === 0) throw this.kwen.failure(this.handle);
    const width = this.module._kw_render_width(this.handle);
    const height = this.module._kw_render_height(this.handle);
    const fitting = pool.findIndex((buffer) => buffer.byteLength === width * height * 4);
    const pixels = fitting >= 0 ? new Uint8ClampedArray(pool.splice(fitting, 1)[0])
      : new Uint8ClampedArray(width * height * 4);
    pixels.set(this.module.HEAPU8.subarray(at, at + pixels.length));
    return { width, height, pixels };
  }

  // Page `index` as the BMP file the viewers export (a Uint8Array of its own).
  pageAsBmp(index) {
    const at = this.module._kw_page_bmp(this.handle, index);
    if (at === 0) throw this.kwen.failure(this.handle);
    return this.module.HEAPU8.slice(at, at + this.module._kw_bytes_size(this.handle));
  }

  // 'none', 'present' or 'damaged' (with the reason).
  textState() {
    const words = this.module._kw_has_words(this.handle);
    if (words >= 0) return { state: words ? 'present' : 'none' };
    return { state: 'damaged', message: this.kwen.failure(this.handle).message };
  }

  // {title, outline: [{title, page (from 1), level}]}.
  textOutline() {
    return this.kwen.json(this.handle, this.module._kw_text(this.handle, -1));
  }

  // The page's lines, each {block, words: [{text, box: [l, t, r, b]}]}.
  pageLines(index) {
    const text = this.kwen.json(this.handle, this.module._kw_text(this.handle, index));
    return text.pages.length > 0 ? text.pages[0].lines : [];
  }

  // {hits: [{page, boxes: [[l, t, r, b]]}], capped}.
  search(query) {
    const found = this.kwen.withString(query, (at) => this.module._kw_search(this.handle, at));
    return this.kwen.json(this.handle, found);
  }

  close() {
    this.module._kw_close(this.handle);
  }
}
