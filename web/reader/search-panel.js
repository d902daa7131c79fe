// The search bar: searches the whole document as you type, counts the
// places found ("3 of 41"), steps through them round the document's ends,
// and marks them on the pages in view (the current one in orange).

import { markBox } from './page-marks.js';

const TYPING_PAUSE_MS = 200;  // searching waits for a pause in the typing
const WAITING_NOTE = 'Searching when the document has arrived';
const NO_TEXT_NOTE = 'This document has no text';
const DAMAGED_NOTE = "The document's text is damaged";
const NO_MATCHES_NOTE = 'No matches';

export class SearchPanel {
  constructor({ bar, input, previous, next, status, close }, view, canvases) {
    Object.assign(this, { bar, input, statusLine: status, view, canvases });
    this.reset(null);
    input.addEventListener('input', () => this.typed());
    input.addEventListener('keydown', (event) => {
      if (event.key !== 'Enter') return;
      event.preventDefault();
      // Enter before the pause in the typing searches at once.
      if (this.input.value.trim() !== this.searchedQuery) this.search();
      else this.step(!event.shiftKey);
    });
    previous.addEventListener('click', () => this.step(false));
    next.addEventListener('click', () => this.step(true));
    close.addEventListener('click', () => this.close());
    canvases.addDecorator('hits', (layer, index, zoom) => this.paint(layer, index, zoom));
  }

  reset(session) {
    this.session = session;
    this.input.value = '';  // a search of the last document is not run on the next
    this.textState = 'waiting';
    this.textMessage = '';
    this.searchId = 0;
    this.searching = false;
    this.searchedQuery = null;
    this.setHits([], false);
    clearTimeout(this.typingTimer);
    if (session) {
      session.addEventListener('text', (event) => this.textArrived(event.detail));
      session.addEventListener('searchResult', (event) => this.found(event.detail));
    }
    this.showStatus();
  }

  get shown() {
    return !this.bar.hidden;
  }

  open() {
    this.bar.hidden = false;
    this.input.focus();
    this.input.select();
  }

  close() {
    if (!this.shown) return;
    this.bar.hidden = true;
    this.setHits([], false);
    this.view.viewport.focus();
  }

  textArrived({ state, message }) {
    this.textState = state;
    this.textMessage = message || '';
    this.search();
  }

  typed() {
    clearTimeout(this.typingTimer);
    this.typingTimer = setTimeout(() => this.search(), TYPING_PAUSE_MS);
  }

  search() {
    clearTimeout(this.typingTimer);
    const query = this.input.value.trim();
    this.searchedQuery = query;
    this.searching = !!query && this.textState === 'present' && !!this.session;
    if (!this.searching) {
      this.setHits([], false);
      this.showStatus();
      return;
    }
    this.searchId = this.session.search(query);
  }

  found({ id, hits, capped }) {
    if (!this.searching || id !== this.searchId || !Array.isArray(hits)) return;
    this.searching = false;
    this.setHits(hits, !!capped);
    this.current = this.firstHitFrom(this.view.currentPage);
    this.showCurrent();
  }

  setHits(hits, capped) {
    this.hits = hits;
    this.capped = capped;
    this.current = -1;
    this.hitsByPage = new Map();
    hits.forEach((hit, number) => {
      if (!this.hitsByPage.has(hit.page)) this.hitsByPage.set(hit.page, []);
      this.hitsByPage.get(hit.page).push(number);
    });
    this.canvases.redecorate('hits');
  }

  // The first hit on `page` or after it, else the document's first.
  firstHitFrom(page) {
    const after = this.hits.findIndex((hit) => hit.page >= page);
    return after >= 0 ? after : (this.hits.length ? 0 : -1);
  }

  step(forward) {
    const count = this.hits.length;
    if (!count) return;
    if (this.current < 0) this.current = forward ? 0 : count - 1;
    else this.current = (this.current + (forward ? 1 : count - 1)) % count;
    this.showCurrent();
  }

  showCurrent() {
    const hit = this.hits[this.current];
    if (hit?.boxes?.length) this.view.showBox(hit.page, hit.boxes[0]);
    this.canvases.redecorate('hits');
    this.showStatus();
  }

  showStatus() {
    const hasQuery = this.input.value.trim() !== '';
    let note = '';
    if (this.textState === 'none') note = NO_TEXT_NOTE;
    else if (this.textState === 'damaged') note = DAMAGED_NOTE;
    else if (this.textState === 'waiting' && hasQuery) note = WAITING_NOTE;
    else if (this.hits.length) note = `${this.current + 1} of ${this.hits.length}${this.capped ? '+' : ''}`;
    else if (hasQuery && !this.searching) note = NO_MATCHES_NOTE;
    this.statusLine.textContent = note;
    this.statusLine.title = this.textState === 'damaged' ? this.textMessage : '';
  }

  paint(layer, index, zoom) {
    for (const number of this.hitsByPage.get(index) ?? []) {
      const className = number === this.current ? 'hit current' : 'hit';
      for (const box of this.hits[number].boxes ?? []) markBox(layer, box, zoom, className);
    }
  }
}
