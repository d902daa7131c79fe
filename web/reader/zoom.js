// The zoom: fit width (the default), fit page, or a fixed scale in device
// pixels per page pixel (100% shows a page pixel for pixel), in steps.

export const ZOOM_STEPS = [0.25, 0.33, 0.5, 0.67, 0.75, 1, 1.25, 1.5, 2, 3, 4, 6, 8];
const SMALLEST = ZOOM_STEPS[0];
export const LARGEST = ZOOM_STEPS[ZOOM_STEPS.length - 1];
// Scales closer than this are one step, so 0.67 * 3 is not past 2.
const STEP_TOLERANCE = 1e-6;

export const FIT_WIDTH = 'fitWidth';
export const FIT_PAGE = 'fitPage';
export const FIXED = 'fixed';

export function clampScale(scale) {
  return Math.min(LARGEST, Math.max(SMALLEST, scale));
}

export function nextStep(scale) {
  return ZOOM_STEPS.find((step) => step > scale + STEP_TOLERANCE) ?? LARGEST;
}

export function previousStep(scale) {
  const smaller = ZOOM_STEPS.filter((step) => step < scale - STEP_TOLERANCE);
  // Below the smallest step (fit page of a tall page) it stays where it is.
  return smaller.length ? smaller[smaller.length - 1] : Math.min(scale, SMALLEST);
}

export function formatPercent(scale) {
  return `${Math.round(scale * 100)}%`;
}

// A typed zoom ("150", "150 %") as a scale; null when it is not a number.
export function parsePercent(text) {
  const match = /^\s*(\d+(?:\.\d+)?)\s*%?\s*$/.exec(text);
  if (!match) return null;
  const percent = Number(match[1]);
  return percent > 0 ? clampScale(percent / 100) : null;
}

// A zoom read back from storage, or null when it is not one.
export function validZoom(zoom) {
  if (!zoom || typeof zoom !== 'object') return null;
  if (zoom.mode === FIT_WIDTH || zoom.mode === FIT_PAGE) return { mode: zoom.mode, scale: 1 };
  if (zoom.mode === FIXED && Number.isFinite(zoom.scale)) return { mode: FIXED, scale: clampScale(zoom.scale) };
  return null;
}
