// Selecting words by dragging over the pages, in reading order, across
// lines and pages; Ctrl+C copies them (words joined by spaces, lines by
// newlines). Ctrl+A selects the current page's words.

import { markBox } from './page-marks.js';

const DRAG_THRESHOLD = 3;  // CSS pixels the pointer moves before a click becomes a drag
const PAGE_END = Number.MAX_SAFE_INTEGER;  // an end's word index: the page's last word
// A drag held this near the view's top or bottom, or past it, scrolls the
// view, at most this far a frame.
const SCROLL_EDGE = 24;
const SCROLL_STEP_MOST = 40;

// The words of a page flattened in reading order, each with its line number.
function flattenWords(lines) {
  const words = [];
  if (!Array.isArray(lines)) return words;
  lines.forEach((line, lineNumber) => {
    for (const word of line?.words ?? []) {
      if (typeof word?.text === 'string' && [word.left, word.top, word.right, word.bottom].every(Number.isFinite)) {
        words.push({ ...word, line: lineNumber });
      }
    }
  });
  return words;
}

function distanceToSpan(value, low, high) {
  return value < low ? low - value : value > high ? value - high : 0;
}

// The word a point of the page picks: on the nearest line, the last word
// starting at or left of it (the line's first when none does).
function wordAt(words, x, y) {
  let line = -1;
  let nearest = Infinity;
  const spans = new Map();
  for (const word of words) {
    const span = spans.get(word.line) ?? { top: Infinity, bottom: -Infinity };
    span.top = Math.min(span.top, word.top);
    span.bottom = Math.max(span.bottom, word.bottom);
    spans.set(word.line, span);
  }
  for (const [number, span] of spans) {
    const distance = distanceToSpan(y, span.top, span.bottom);
    if (distance < nearest) [nearest, line] = [distance, number];
  }
  let chosen = words.findIndex((word) => word.line === line);
  words.forEach((word, index) => {
    if (word.line === line && word.left <= x) chosen = index;
  });
  return chosen;
}

export class TextSelection {
  constructor(view, canvases) {
    this.view = view;
    this.canvases = canvases;
    this.reset(null);
    view.column.addEventListener('mousedown', (event) => this.pressed(event));
    document.addEventListener('copy', (event) => this.copy(event));
    canvases.addDecorator('selection', (layer, index, zoom) => this.paint(layer, index, zoom));
  }

  reset(session) {
    this.session = session;
    this.words = new Map();  // page -> flattened words
    this.asked = new Set();
    this.anchor = null;
    this.focus = null;
    session?.addEventListener('pageWords', (event) => this.wordsArrived(event.detail));
    // Words asked for before the text was read came back empty: ask again.
    session?.addEventListener('text', () => {
      this.words.clear();
      this.asked.clear();
    });
  }

  wordsArrived({ page, lines }) {
    if (!Number.isInteger(page)) return;
    this.words.set(page, flattenWords(lines));
    this.canvases.redecorate('selection');
  }

  wordsOf(page) {
    if (!this.words.has(page) && !this.asked.has(page) && this.session) {
      this.asked.add(page);
      this.session.pageWords(page);
    }
    return this.words.get(page);
  }

  pressed(event) {
    if (event.button !== 0) return;
    event.preventDefault();
    this.view.viewport.focus();
    const start = this.view.pageAtPoint(event.clientX, event.clientY);
    if (!start) return;
    this.setRange(start, null);
    this.wordsOf(start.page);
    let pointer = event;
    let frame = 0;
    const extend = () => {
      const box = this.view.viewport.getBoundingClientRect();
      const y = Math.min(Math.max(pointer.clientY, box.top + 1), box.bottom - 1);
      const end = this.view.pageAtPoint(pointer.clientX, y);
      if (end) this.setRange(start, end);
      return { top: box.top, bottom: box.bottom };
    };
    const scrollAtEdge = () => {
      frame = 0;
      const { top, bottom } = extend();
      const beyond = Math.min(pointer.clientY - (top + SCROLL_EDGE), 0) + Math.max(pointer.clientY - (bottom - SCROLL_EDGE), 0);
      if (beyond === 0) return;
      this.view.viewport.scrollTop += Math.max(-SCROLL_STEP_MOST, Math.min(SCROLL_STEP_MOST, beyond));
      frame = requestAnimationFrame(scrollAtEdge);
    };
    const moved = (move) => {
      if (!this.focus && Math.hypot(move.clientX - event.clientX, move.clientY - event.clientY) < DRAG_THRESHOLD) return;
      pointer = move;
      extend();
      if (!frame) frame = requestAnimationFrame(scrollAtEdge);
    };
    const released = () => {
      cancelAnimationFrame(frame);
      window.removeEventListener('mousemove', moved);
      window.removeEventListener('mouseup', released);
    };
    window.addEventListener('mousemove', moved);
    window.addEventListener('mouseup', released);
  }

  selectPage() {
    const page = this.view.currentPage;
    this.setRange({ page, index: 0 }, { page, index: PAGE_END });
  }

  setRange(anchor, focus) {
    this.anchor = anchor;
    this.focus = focus;
    if (focus) {
      const [first, last] = [anchor.page, focus.page].sort((a, b) => a - b);
      for (let page = first; page <= last; ++page) this.wordsOf(page);
    }
    this.canvases.redecorate('selection');
  }

  // An end of the selection as {page, index} of its word, or null while the
  // page's words have not arrived (or it has none).
  resolve(end) {
    const words = this.words.get(end.page);
    if (!words?.length) return null;
    const index = end.index ?? wordAt(words, end.x, end.y);
    return { page: end.page, index: Math.min(index, words.length - 1) };
  }

  // The selected words of `page` as [first, last] indexes, or null.
  rangeOn(page) {
    if (!this.focus) return null;
    const words = this.words.get(page);
    if (!words?.length) return null;
    let [from, to] = [this.anchor, this.focus];
    if (to.page < from.page) [from, to] = [to, from];
    if (page < from.page || page > to.page) return null;
    const start = page === from.page ? this.resolve(from)?.index : 0;
    const end = page === to.page ? this.resolve(to)?.index : words.length - 1;
    if (start === undefined || end === undefined) return null;
    return start <= end ? [start, end] : [end, start];
  }

  paint(layer, index, zoom) {
    const range = this.rangeOn(index);
    if (!range) return;
    const words = this.words.get(index);
    for (let number = range[0]; number <= range[1]; ++number) markBox(layer, words[number], zoom, 'selected');
  }

  text() {
    if (!this.focus) return '';
    const pages = [];
    const [first, last] = [this.anchor.page, this.focus.page].sort((a, b) => a - b);
    for (let page = first; page <= last; ++page) {
      const range = this.rangeOn(page);
      if (!range) continue;
      const lines = [];
      const words = this.words.get(page);
      for (let number = range[0]; number <= range[1]; ++number) {
        const word = words[number];
        if (number > range[0] && word.line === words[number - 1].line) lines[lines.length - 1] += ` ${word.text}`;
        else lines.push(word.text);
      }
      pages.push(lines.join('\n'));
    }
    return pages.join('\n');
  }

  copy(event) {
    const target = event.target;
    if (target instanceof HTMLInputElement || target instanceof HTMLTextAreaElement) return;
    const text = this.text();
    if (!text) return;
    event.clipboardData.setData('text/plain', text);
    event.preventDefault();
  }
}
