// The scrolling view of the pages: layout at the zoom, the page in view,
// moving through the document, zooming about a point. Events: 'layout'
// (places changed), 'viewchange' (scrolled), 'pagechange', 'zoomchange'.

import { PageList } from './page-list.js';
import { PAGE_GAP, fittingScale, layOutPages, pageAtRow, pagesInBand, topOfPage } from './page-layout.js';
import { FIT_PAGE, FIT_WIDTH, FIXED, LARGEST, clampScale } from './zoom.js';

const SCROLL_STEP = 40;  // CSS pixels an arrow key moves
const TINIEST_SCALE = 1e-3;  // a page still shows in a tiny window

export class PageView extends EventTarget {
  constructor(viewport, column) {
    super();
    this.viewport = viewport;
    this.column = column;
    this.pageList = new PageList(0);
    this.zoom = { mode: FIT_WIDTH, scale: 1 };
    this.scale = 1;
    this.layout = layOutPages([], 1, 0);
    this.currentPage = 0;
    this.pinnedPage = null;  // the page asked for, kept current while in view
    viewport.addEventListener('scroll', () => this.scrolled());
    new ResizeObserver(() => this.relayout()).observe(viewport);
  }

  get pageCount() {
    return this.pageList.count;
  }

  setPages(pageList) {
    this.pageList = pageList;
    this.currentPage = 0;
    this.pinnedPage = null;
    this.relayout({ page: 0, fx: 0, fy: 0, vx: 0, vy: 0 });
    this.viewport.scrollTo(0, 0);
    this.emit('pagechange');
  }

  // Pages arrived or sizes changed: lay out again, the view kept where it was.
  pagesChanged() {
    this.relayout();
  }

  // CSS pixels per page pixel of page `index`.
  pageZoom(index) {
    const page = this.pageList.pages[index];
    const place = this.layout.places[index];
    return page && place ? place.width / page.width : 0;
  }

  // The view stays on the page asked for, else on the page at its top.
  relayout(anchor = this.anchorAt(this.viewport.clientWidth / 2, PAGE_GAP, this.pinnedPage ?? undefined)) {
    const ratio = window.devicePixelRatio || 1;
    const pages = this.pageList.pages;
    const width = this.viewport.clientWidth;
    const fitting = () => fittingScale(pages, this.zoom.mode === FIT_PAGE, width, this.viewport.clientHeight, ratio);
    this.scale = this.zoom.mode === FIXED ? this.zoom.scale : Math.max(TINIEST_SCALE, Math.min(LARGEST, fitting()));
    this.layout = layOutPages(pages, this.scale / ratio, width);
    this.column.style.width = `${this.layout.totalWidth}px`;
    this.column.style.height = `${this.layout.totalHeight}px`;
    if (anchor) this.restoreAnchor(anchor);
    this.emit('layout');
    this.scrolled();
  }

  // Where the view point (vx, vy), in CSS pixels from the viewport's corner,
  // lies: on which page, at which fraction of its size.
  anchorAt(vx, vy, page = pageAtRow(this.layout, this.viewport.scrollTop + vy)) {
    const place = this.layout.places[page];
    if (!place) return null;
    return {
      page,
      fx: (this.viewport.scrollLeft + vx - place.x) / place.width,
      fy: (this.viewport.scrollTop + vy - place.y) / place.height,
      vx,
      vy,
    };
  }

  restoreAnchor(anchor) {
    const place = this.layout.places[anchor.page];
    if (!place) return;
    this.viewport.scrollLeft = place.x + anchor.fx * place.width - anchor.vx;
    this.viewport.scrollTop = place.y + anchor.fy * place.height - anchor.vy;
  }

  scrolled() {
    const pinned = this.pinnedPage;
    if (pinned !== null && !this.isInView(pinned)) this.pinnedPage = null;
    const page = this.pinnedPage ?? pageAtRow(this.layout, this.viewport.scrollTop + PAGE_GAP);
    this.emit('viewchange');
    this.setCurrentPage(page);
  }

  setCurrentPage(page) {
    if (page === this.currentPage || page >= this.pageCount) return;
    this.currentPage = page;
    this.emit('pagechange');
  }

  isInView(page) {
    const place = this.layout.places[page];
    const top = this.viewport.scrollTop;
    return !!place && place.y < top + this.viewport.clientHeight && place.y + place.height > top;
  }

  // The pages that meet the view widened by `margin` screens above and below.
  pagesNear(margin) {
    const height = this.viewport.clientHeight;
    return pagesInBand(this.layout, this.viewport.scrollTop - margin * height, (1 + 2 * margin) * height);
  }

  goToPage(page) {
    if (this.pageCount === 0) return;
    const target = Math.min(this.pageCount - 1, Math.max(0, page));
    this.pinnedPage = target;
    this.viewport.scrollTop = topOfPage(this.layout, target);
    this.setCurrentPage(target);
  }

  nextPage() { this.goToPage(this.currentPage + 1); }
  previousPage() { this.goToPage(this.currentPage - 1); }
  firstPage() { this.goToPage(0); }
  lastPage() { this.goToPage(this.pageCount - 1); }
  pageTop() { this.goToPage(this.currentPage); }

  // The current page's end at the bottom of the view.
  pageEnd() {
    const place = this.layout.places[this.currentPage];
    if (!place) return;
    this.pinnedPage = this.currentPage;
    this.viewport.scrollTop = place.y + place.height + PAGE_GAP - this.viewport.clientHeight;
  }

  scrollSteps(count) { this.viewport.scrollTop += count * SCROLL_STEP; }
  scrollScreens(count) { this.viewport.scrollTop += count * (this.viewport.clientHeight - SCROLL_STEP); }

  // A zoom mode or fixed scale, about a point of the view (CSS pixels from
  // its corner; its centre when not given).
  setZoom(zoom, vx = this.viewport.clientWidth / 2, vy = this.viewport.clientHeight / 2) {
    const anchor = this.anchorAt(vx, vy);
    this.zoom = zoom.mode === FIXED ? { mode: FIXED, scale: clampScale(zoom.scale) } : { mode: zoom.mode, scale: 1 };
    this.relayout(anchor);
    this.emit('zoomchange');
  }

  // The page under a point of the window, the nearest one in the gaps, and
  // the point in its page pixels (kept within the page).
  pageAtPoint(clientX, clientY) {
    if (this.pageCount === 0) return null;
    const frame = this.column.getBoundingClientRect();
    const x = clientX - frame.left;
    const y = clientY - frame.top;
    let index = pageAtRow(this.layout, y);
    const place = this.layout.places[index];
    const next = this.layout.places[index + 1];
    if (next && y - (place.y + place.height) > next.y - y) index += 1;
    const chosen = this.layout.places[index];
    const zoom = this.pageZoom(index);
    const page = this.pageList.pages[index];
    return {
      page: index,
      x: Math.min(page.width, Math.max(0, (x - chosen.x) / zoom)),
      y: Math.min(page.height, Math.max(0, (y - chosen.y) / zoom)),
    };
  }

  // Scrolls a box of page pixels into view, a third down the view when it
  // was out of it.
  showBox(index, box) {
    const place = this.layout.places[index];
    if (!place) return;
    const zoom = this.pageZoom(index);
    const top = place.y + box.top * zoom;
    const bottom = place.y + box.bottom * zoom;
    const left = place.x + box.left * zoom;
    const right = place.x + box.right * zoom;
    const view = this.viewport;
    if (top < view.scrollTop || bottom > view.scrollTop + view.clientHeight) {
      view.scrollTop = top - view.clientHeight / 3;
    }
    if (left < view.scrollLeft || right > view.scrollLeft + view.clientWidth) {
      view.scrollLeft = (left + right - view.clientWidth) / 2;
    }
  }

  emit(type) {
    this.dispatchEvent(new Event(type));
  }
}
