// Puts a worker's rendered pixels on a canvas, sized to them.

// False (the canvas untouched) when the pixels do not make the size given.
export function paintPixels(canvas, { width, height, pixels }) {
  if (!(width > 0 && height > 0) || pixels?.length !== width * height * 4) return false;
  canvas.width = width;
  canvas.height = height;
  canvas.getContext('2d').putImageData(new ImageData(pixels, width, height), 0, 0);
  return true;
}
