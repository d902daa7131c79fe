// The page and zoom of each document, kept in the browser's local storage
// under the document's name (or address) and size.

import { validZoom } from './zoom.js';

const KEY_PREFIX = 'kwenview:';

export function documentKey(name, size) {
  return `${KEY_PREFIX}${size}:${name}`;
}

// {page, zoom} as saved, or null (nothing saved, storage refused or garbled).
export function recall(key) {
  try {
    const saved = JSON.parse(localStorage.getItem(key));
    const zoom = validZoom(saved?.zoom);
    if (!zoom || !Number.isInteger(saved.page) || saved.page < 0) return null;
    return { page: saved.page, zoom };
  } catch {
    return null;
  }
}

export function remember(key, page, zoom) {
  try {
    localStorage.setItem(key, JSON.stringify({ page, zoom: { mode: zoom.mode, scale: zoom.scale } }));
  } catch {
    // Storage full or refused (private windows): the reader works without it.
  }
}
