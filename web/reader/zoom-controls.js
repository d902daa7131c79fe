// The toolbar's zoom: out and in by steps, the zoom box (shows the scale,
// takes a typed percentage), fit width and fit page; Ctrl+wheel zooms by
// steps about the pointer.

import { FIT_PAGE, FIT_WIDTH, FIXED, formatPercent, nextStep, parsePercent, previousStep } from './zoom.js';

const WHEEL_NOTCH = 100;  // wheel pixels for one zoom step: a mouse notch

export class ZoomControls {
  constructor({ zoomIn, zoomOut, zoomBox, fitWidth, fitPage }, view) {
    this.view = view;
    this.zoomBox = zoomBox;
    this.fitWidth = fitWidth;
    this.fitPage = fitPage;
    this.wheelTravel = 0;
    zoomIn.addEventListener('click', () => this.stepIn());
    zoomOut.addEventListener('click', () => this.stepOut());
    fitWidth.addEventListener('click', () => view.setZoom({ mode: FIT_WIDTH }));
    fitPage.addEventListener('click', () => view.setZoom({ mode: FIT_PAGE }));
    zoomBox.addEventListener('keydown', (event) => {
      if (event.key !== 'Enter') return;
      event.preventDefault();
      const scale = parsePercent(zoomBox.value);
      zoomBox.blur();
      if (scale) view.setZoom({ mode: FIXED, scale });
    });
    zoomBox.addEventListener('blur', () => this.show());
    view.viewport.addEventListener('wheel', (event) => this.wheeled(event), { passive: false });
    view.addEventListener('layout', () => this.show());
  }

  stepIn() {
    this.view.setZoom({ mode: FIXED, scale: nextStep(this.view.scale) });
  }

  stepOut() {
    const scale = previousStep(this.view.scale);
    // Fit page can show a tall page below the smallest step: out goes no further.
    if (scale < this.view.scale) this.view.setZoom({ mode: FIXED, scale });
  }

  wheeled(event) {
    if (!event.ctrlKey) return;
    event.preventDefault();
    // A turn the other way starts afresh.
    if (Math.sign(event.deltaY) !== Math.sign(this.wheelTravel)) this.wheelTravel = 0;
    this.wheelTravel += event.deltaY;
    const frame = this.view.viewport.getBoundingClientRect();
    while (Math.abs(this.wheelTravel) >= WHEEL_NOTCH) {
      const zoomingIn = this.wheelTravel < 0;
      this.wheelTravel -= Math.sign(this.wheelTravel) * WHEEL_NOTCH;
      const scale = zoomingIn ? nextStep(this.view.scale) : previousStep(this.view.scale);
      if (!zoomingIn && scale >= this.view.scale) break;
      this.view.setZoom({ mode: FIXED, scale }, event.clientX - frame.left, event.clientY - frame.top);
    }
  }

  show() {
    const shown = this.view.pageCount > 0 ? formatPercent(this.view.scale) : '';
    if (document.activeElement !== this.zoomBox) this.zoomBox.value = shown;
    this.fitWidth.setAttribute('aria-pressed', String(this.view.zoom.mode === FIT_WIDTH));
    this.fitPage.setAttribute('aria-pressed', String(this.view.zoom.mode === FIT_PAGE));
  }
}
