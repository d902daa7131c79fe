// The pages' canvases: built as they come into view (and a screen ahead),
// rendered at the device pixels they take (at most the page's own), and
// dropped when far away, so memory stays bounded however long the document.
// Layers over a page (search hits, selection) are painted by decorators.

import { paintPixels } from './canvas-pixels.js';

const BUILD_MARGIN = 1;  // screens above and below the view whose pages are built
const KEEP_MARGIN = 2;  // screens beyond which a page's canvas is dropped
const MAX_CANVAS_PIXELS = 16 * 1024 * 1024;  // a giant page is shown coarser, not all of it
const MISSING_NOTE = 'This page is not in the document: it ends before it.';
const UNBUILT_NOTE = 'This page could not be built.';

export class PageCanvases {
  constructor(view, column) {
    this.view = view;
    this.column = column;
    this.session = null;
    this.entries = new Map();  // page index -> {element, canvas, marks, layers, scale, renderId}
    this.decorators = new Map();  // name -> paint(layer, pageIndex, cssPerPagePixel)
    this.failures = new Map();  // page index -> why it could not be built
    view.addEventListener('layout', () => this.update(true));
    view.addEventListener('viewchange', () => this.update(false));
  }

  setSession(session) {
    for (const index of [...this.entries.keys()]) this.discard(index);
    this.failures.clear();
    this.session = session;
  }

  addDecorator(name, paint) {
    this.decorators.set(name, paint);
  }

  // Paints one decorator's layer again on every page built.
  redecorate(name) {
    for (const [index, entry] of this.entries) this.decorate(index, entry, name);
  }

  update(placesChanged) {
    const keep = this.view.pagesNear(KEEP_MARGIN);
    for (const index of [...this.entries.keys()]) {
      if (index < keep.first || index > keep.last) this.discard(index);
    }
    const build = this.view.pagesNear(BUILD_MARGIN);
    const visible = this.view.pagesNear(0);
    const order = [];
    for (let index = build.last; index >= build.first; --index) {
      const inView = index >= visible.first && index <= visible.last;
      order.push({ index, priority: inView ? 1 : 0 });
    }
    // The worker serves the newest request first: the visible pages last,
    // the top one last of all.
    order.sort((a, b) => a.priority - b.priority);
    for (const { index } of order) {
      let entry = this.entries.get(index);
      const created = !entry;
      if (created) entry = this.create(index);
      if (created || placesChanged) this.place(index, entry);
      this.requestRender(index, entry);
    }
  }

  create(index) {
    const element = document.createElement('div');
    element.className = 'page';
    element.dataset.page = String(index);
    const canvas = document.createElement('canvas');
    canvas.width = 0;
    canvas.height = 0;
    const marks = document.createElement('div');
    marks.className = 'marks';
    element.append(canvas, marks);
    this.column.append(element);
    const entry = { element, canvas, marks, scale: 0, renderId: 0, layers: new Map() };
    this.entries.set(index, entry);
    return entry;
  }

  place(index, entry) {
    const place = this.view.layout.places[index];
    const page = this.view.pageList.pages[index];
    const style = entry.element.style;
    style.left = `${place.x}px`;
    style.top = `${place.y}px`;
    style.width = `${place.width}px`;
    style.height = `${place.height}px`;
    entry.element.dataset.state = this.stateOf(index, page, entry);
    entry.element.dataset.note = page.failed ?? this.failures.get(index) ?? (page.missing ? MISSING_NOTE : '');
    for (const name of this.decorators.keys()) this.decorate(index, entry, name);
  }

  stateOf(index, page, entry) {
    if (page.failed || this.failures.has(index)) return 'failed';
    if (page.missing) return 'missing';
    if (!page.known) return 'waiting';
    return entry.canvas.width > 0 ? 'painted' : 'building';
  }

  decorate(index, entry, name) {
    let layer = entry.layers.get(name);
    if (!layer) {
      layer = document.createElement('div');
      layer.className = `layer ${name}`;
      entry.marks.append(layer);
      entry.layers.set(name, layer);
    }
    layer.replaceChildren();
    this.decorators.get(name)(layer, index, this.view.pageZoom(index));
  }

  // The scale that fills the page's device pixels, at most its own size and
  // within the canvas budget.
  wantedScale(index) {
    const page = this.view.pageList.pages[index];
    const place = this.view.layout.places[index];
    const devicePixels = place.width * (window.devicePixelRatio || 1);
    let scale = Math.min(1, devicePixels / page.width);
    const pixels = page.width * page.height * scale * scale;
    if (pixels > MAX_CANVAS_PIXELS) scale *= Math.sqrt(MAX_CANVAS_PIXELS / pixels);
    return scale;
  }

  requestRender(index, entry) {
    const page = this.view.pageList.pages[index];
    if (!this.session || !page.known || page.failed || this.failures.has(index)) return;
    const scale = this.wantedScale(index);
    if (Math.abs(scale - entry.scale) < 1e-9) return;
    if (entry.renderId) this.session.drop([entry.renderId]);
    entry.scale = scale;
    const id = this.session.render(index, scale, (result, reason) => {
      if (entry.renderId !== id) return;
      entry.renderId = 0;
      if (!result || !paintPixels(entry.canvas, result)) this.failures.set(index, reason || UNBUILT_NOTE);
      else this.session.recycle(result.pixels);
      this.place(index, entry);
    });
    entry.renderId = id;
  }

  // A page far away: its render no longer wanted, its canvas's memory given back.
  discard(index) {
    const entry = this.entries.get(index);
    if (entry.renderId && this.session) this.session.drop([entry.renderId]);
    entry.canvas.width = 0;
    entry.canvas.height = 0;
    entry.element.remove();
    this.entries.delete(index);
  }
}
