// The thumbnails strip: a small sheet for every page, rendered only while
// near the strip's view, the current page marked; a click goes to the page.

import { paintPixels } from './canvas-pixels.js';

const THUMBNAIL_WIDTH = 112;  // CSS pixels
const THUMBNAIL_TALLEST = 4;  // in widths
const NEAR_STRIP = '300px 0px';  // how far beyond the strip's view thumbnails are built

export class Thumbnails {
  constructor(panel, choosePage) {
    this.panel = panel;
    this.session = null;
    this.pageList = null;
    this.items = [];
    this.current = -1;
    this.observer = new IntersectionObserver((changes) => this.seen(changes), { root: panel, rootMargin: NEAR_STRIP });
    panel.addEventListener('click', (event) => {
      const item = event.target.closest('.thumbnail');
      if (item) choosePage(Number(item.dataset.page));
    });
  }

  get shown() {
    return !this.panel.hidden;
  }

  toggle() {
    this.panel.hidden = !this.panel.hidden;
    if (this.shown) this.revealCurrent();
  }

  setDocument(session, pageList) {
    this.observer.disconnect();
    this.session = session;
    this.pageList = pageList;
    this.current = -1;
    this.items = pageList.pages.map((page, index) => this.createItem(index));
    this.panel.replaceChildren(...this.items.map((item) => item.element));
    this.pagesChanged();
    for (const item of this.items) this.observer.observe(item.element);
  }

  createItem(index) {
    const element = document.createElement('button');
    element.type = 'button';
    element.className = 'thumbnail';
    element.dataset.page = String(index);
    element.tabIndex = -1;
    const sheet = document.createElement('div');
    sheet.className = 'sheet';
    const canvas = document.createElement('canvas');
    canvas.width = 0;
    const label = document.createElement('span');
    label.textContent = String(index + 1);
    sheet.append(canvas);
    element.append(sheet, label);
    return { element, sheet, canvas, near: false, renderId: 0, rendered: false };
  }

  // Sizes follow the pages as they arrive; near ones not drawn yet are drawn.
  pagesChanged() {
    this.items.forEach((item, index) => {
      const page = this.pageList.pages[index];
      item.sheet.style.height = `${Math.round((THUMBNAIL_WIDTH * page.height) / page.width)}px`;
      item.element.classList.toggle('missing', page.missing);
      if (item.near) this.draw(index, item);
    });
  }

  setCurrent(index) {
    this.items[this.current]?.element.classList.remove('current');
    this.current = index;
    this.items[index]?.element.classList.add('current');
    if (this.shown) this.revealCurrent();
  }

  revealCurrent() {
    this.items[this.current]?.element.scrollIntoView({ block: 'nearest' });
  }

  seen(changes) {
    for (const change of changes) {
      const index = Number(change.target.dataset.page);
      const item = this.items[index];
      if (!item || item.element !== change.target) continue;
      item.near = change.isIntersecting;
      if (item.near) this.draw(index, item);
      else this.forget(item);
    }
  }

  draw(index, item) {
    const page = this.pageList.pages[index];
    if (item.rendered || item.renderId || !page.known || page.failed || !this.session) return;
    // A strip of a page (narrow and very tall) is drawn no taller than a few widths.
    const width = THUMBNAIL_WIDTH * (window.devicePixelRatio || 1);
    const scale = Math.min(1, width / page.width, (THUMBNAIL_TALLEST * width) / page.height);
    item.renderId = this.session.render(index, scale, (result) => {
      item.renderId = 0;
      item.rendered = !!result && paintPixels(item.canvas, result);
      if (item.rendered) this.session.recycle(result.pixels);
    });
  }

  forget(item) {
    if (item.renderId) this.session?.drop([item.renderId]);
    item.renderId = 0;
    item.rendered = false;
    item.canvas.width = 0;
    item.canvas.height = 0;
  }
}
