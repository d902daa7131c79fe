// Where the pages lie in the view: one column, top to bottom, centred, a gap
// around and between pages, in CSS pixels. Pure geometry, no DOM.

export const PAGE_GAP = 10;

// The resolution the document's scale is counted in: the first page's that
// says one, 0 when none does.
export function referenceDpi(pages) {
  for (const page of pages) if (page.dpi > 0) return page.dpi;
  return 0;
}

// The factor that brings a page to the reference resolution, so pages of
// different resolutions show at the same paper size.
export function physicalFactor(page, reference) {
  if (!(page.dpi > 0) || !(reference > 0)) return 1;
  return reference / page.dpi;
}

// The scale (device pixels per reference page pixel) that fits the widest
// page to the width, or the largest page whole, into a viewport of CSS size.
export function fittingScale(pages, fitWhole, viewportWidth, viewportHeight, devicePixelRatio) {
  const reference = referenceDpi(pages);
  let widest = 1;
  let tallest = 1;
  for (const page of pages) {
    const factor = physicalFactor(page, reference);
    widest = Math.max(widest, page.width * factor);
    tallest = Math.max(tallest, page.height * factor);
  }
  const roomWide = Math.max(1, viewportWidth - 2 * PAGE_GAP);
  const roomHigh = Math.max(1, viewportHeight - 2 * PAGE_GAP);
  let cssScale = roomWide / widest;
  if (fitWhole) cssScale = Math.min(cssScale, roomHigh / tallest);
  return cssScale * devicePixelRatio;
}

// Places every page at `cssScale` (CSS pixels per reference page pixel).
export function layOutPages(pages, cssScale, viewportWidth) {
  const reference = referenceDpi(pages);
  const places = [];
  let y = PAGE_GAP;
  let widest = 0;
  for (const page of pages) {
    const factor = cssScale * physicalFactor(page, reference);
    const width = Math.max(1, Math.round(page.width * factor));
    const height = Math.max(1, Math.round(page.height * factor));
    places.push({ x: 0, y, width, height });
    widest = Math.max(widest, width);
    y += height + PAGE_GAP;
  }
  const totalWidth = Math.max(viewportWidth, widest + 2 * PAGE_GAP);
  for (const place of places) place.x = Math.floor((totalWidth - place.width) / 2);
  return { places, totalWidth, totalHeight: y };
}

// The page at row `y`: the last page whose top is at or above it.
export function pageAtRow(layout, y) {
  const { places } = layout;
  let low = 0;
  let high = places.length;
  while (low < high) {
    const middle = (low + high) >> 1;
    if (places[middle].y <= y) low = middle + 1;
    else high = middle;
  }
  return Math.max(0, low - 1);
}

// The pages that meet rows [top, top + height): {first, last}, last < first when none.
export function pagesInBand(layout, top, height) {
  const count = layout.places.length;
  if (count === 0 || height <= 0) return { first: 0, last: -1 };
  let first = pageAtRow(layout, top);
  const place = layout.places[first];
  if (place.y + place.height <= top && first + 1 < count) first += 1;
  const last = pageAtRow(layout, top + height - 1);
  return { first, last: Math.max(last, first - 1) };
}

// The view top that shows a page from its top gap.
export function topOfPage(layout, page) {
  const place = layout.places[page];
  return place ? place.y - PAGE_GAP : 0;
}
