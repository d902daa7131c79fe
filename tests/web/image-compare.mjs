// Compares a screenshot with a region of a native render, both PNG files,
// decoded by the browser itself: the largest difference of any channel and
// how many pixels differ by more than one grey level.
import { readFileSync } from 'node:fs';

export const GREY_LEVEL = 1;

export async function compareWithNative(browserPage, shotFile, nativeFile, left, top) {
  const shot = readFileSync(shotFile).toString('base64');
  const native = readFileSync(nativeFile).toString('base64');
  return browserPage.evaluate(async (shotData, nativeData, regionLeft, regionTop, tolerance) => {
    const decode = async (data) => {
      const blob = await (await fetch(`data:image/png;base64,${data}`)).blob();
      const bitmap = await createImageBitmap(blob, { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
      const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
      const context = canvas.getContext('2d');
      context.drawImage(bitmap, 0, 0);
      return context.getImageData(0, 0, bitmap.width, bitmap.height);
    };
    const [seen, expected] = await Promise.all([decode(shotData), decode(nativeData)]);
    let largest = 0;
    let differing = 0;
    let outside = 0;
    for (let y = 0; y < seen.height; ++y) {
      for (let x = 0; x < seen.width; ++x) {
        const nativeX = regionLeft + x;
        const nativeY = regionTop + y;
        if (nativeX >= expected.width || nativeY >= expected.height) {
          outside += 1;
          continue;
        }
        const a = (y * seen.width + x) * 4;
        const b = (nativeY * expected.width + nativeX) * 4;
        let difference = 0;
        for (let channel = 0; channel < 3; ++channel) {
          difference = Math.max(difference, Math.abs(seen.data[a + channel] - expected.data[b + channel]));
        }
        largest = Math.max(largest, difference);
        if (difference > tolerance) differing += 1;
      }
    }
    return { largest, differing, outside, width: seen.width, height: seen.height };
  }, shot, native, left, top, GREY_LEVEL);
}
