// A box of page pixels marked over a page: an absolutely placed div in the
// page's layer, at the page's zoom (CSS pixels per page pixel).
export function markBox(layer, box, zoom, className) {
  const mark = document.createElement('div');
  mark.className = className;
  mark.style.left = `${box.left * zoom}px`;
  mark.style.top = `${box.top * zoom}px`;
  mark.style.width = `${Math.max(0, box.right - box.left) * zoom}px`;
  mark.style.height = `${Math.max(0, box.bottom - box.top) * zoom}px`;
  layer.append(mark);
  return mark;
}
