// The document's pages as far as they have arrived. Pages whose bytes are
// not there yet take the size of the last page known, most likely theirs.

// A sheet shown before any page is known: US letter at 300 dpi.
const UNKNOWN_PAGE = { width: 2550, height: 3300, dpi: 300 };

export class PageList {
  constructor(count) {
    this.pages = Array.from({ length: count }, () => ({ ...UNKNOWN_PAGE, known: false, missing: false }));
  }

  get count() {
    return this.pages.length;
  }

  // Adds the pages the worker says have arrived; true when any was new.
  add(infos) {
    let changed = false;
    for (const info of infos) {
      const page = this.pages[info.index];
      if (page && !page.known && typeof info.failed === 'string') {
        // There, but damaged: it keeps the size it was given and says why.
        Object.assign(page, { known: true, failed: info.failed });
        changed = true;
        continue;
      }
      if (!page || page.known || !(info.width > 0 && info.height > 0)) continue;
      Object.assign(page, { width: info.width, height: info.height, dpi: info.dpi > 0 ? info.dpi : 0, known: true });
      changed = true;
      for (let later = info.index + 1; later < this.count && !this.pages[later].known; ++later) {
        Object.assign(this.pages[later], { width: info.width, height: info.height, dpi: page.dpi });
      }
    }
    return changed;
  }

  // No more pages will arrive: those not known are missing for good.
  finish() {
    for (const page of this.pages) page.missing = !page.known;
  }
}
