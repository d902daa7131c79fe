// The WebAssembly library against the native one: every page of every
// document given builds to the pixels `kwentool render` writes, whether the
// document is opened whole or arrives in pieces; what the native tool
// refuses, the module refuses at the same page.
//
//   node --no-experimental-fetch module_test.mjs WEB_DIR KWENTOOL WORK DOC...
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';

const [webDir, kwentool, work, ...documents] = process.argv.slice(2);
// The module's loader looks for these when it finds itself under node.
globalThis.require = createRequire(import.meta.url);
globalThis.__dirname = webDir;
const { loadKwen } = await import(path.resolve(webDir, 'kwen.js'));
const kwen = await loadKwen({ wasmBinary: readFileSync(path.join(webDir, 'kwen-module.wasm')) });
// It also takes over node's handlers of uncaught errors, which would print
// the whole module's source with each.
process.removeAllListeners('uncaughtException');
process.removeAllListeners('unhandledRejection');

const kArrivingPiece = 4096;
// Pages built while the document arrives, to compare with its whole build.
const kEarlyPages = 4;
let failures = 0;
// The most pages any document had ready before its last piece arrived.
let readyBeforeLast = 0;
function check(ok, what) {
  if (!ok) {
    failures += 1;
    console.log(`FAIL ${what}`);
  }
}

// What native kwentool writes of page `number` as `extension`: its bytes,
// or null when it refuses.
function nativePage(document, number, extension) {
  const out = path.join(work, `page.${extension}`);
  rmSync(out, { force: true });
  try {
    execFileSync(kwentool, ['render', document, String(number), out], { stdio: 'pipe' });
    return readFileSync(out);
  } catch {
    return null;
  }
}

function ppmPixels(bytes) {
  const header = bytes.subarray(0, 64).toString('latin1').match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  if (!header) throw new Error('kwentool wrote no raw PPM');
  return { width: Number(header[1]), height: Number(header[2]), rgb: bytes.subarray(header[0].length) };
}

// The first pixel where the module's RGBA and the native RGB differ, or -1.
function firstDifference(built, native) {
  if (built.width !== native.width || built.height !== native.height) return 0;
  for (let pixel = 0; pixel < built.width * built.height; pixel += 1) {
    for (let channel = 0; channel < 3; channel += 1) {
      if (built.pixels[pixel * 4 + channel] !== native.rgb[pixel * 3 + channel]) return pixel;
    }
  }
  return -1;
}

// The module's build of a page, or its refusal.
function attempt(build) {
  try {
    return { result: build(), refusal: null };
  } catch (error) {
    return { result: null, refusal: error.message };
  }
}

function openWhole(bytes, name) {
  try {
    const opened = kwen.open(bytes, name, true);
    opened.restore();
    return { opened, refusal: null };
  } catch (error) {
    return { opened: null, refusal: error.message };
  }
}

// The document fed in pieces; the pages ready before the last piece are
// built as they become ready.
function openArriving(bytes, name) {
  let opened = null;
  const early = [];
  for (let at = 0; at < bytes.length; at += kArrivingPiece) {
    const piece = bytes.subarray(at, at + kArrivingPiece);
    const complete = at + piece.length === bytes.length;
    if (opened) {
      opened.arrive(piece, complete);
    } else {
      try {
        opened = kwen.open(bytes.subarray(0, at + piece.length), name, complete);
      } catch {
        continue;
      }
    }
    const ready = opened.restore().pagesReady;
    if (!complete) readyBeforeLast = Math.max(readyBeforeLast, ready);
    for (let index = early.length; index < Math.min(ready, kEarlyPages); index += 1) {
      early.push(largePages(opened, index) ? null : attempt(() => opened.render(index, 1)).result);
    }
  }
  return { opened, early };
}

// Pages of hundreds of megabytes are compared one only: each is written
// whole on both sides.
const kLargestComparedPixels = 1 << 24;
function largePages(opened, index) {
  const facts = attempt(() => opened.page(index)).result;
  return facts !== null && facts.width * facts.height > kLargestComparedPixels;
}

// Page by page: the exported BMP byte for byte, and the page's tones where
// kwentool writes them; a refusal on either side is one on the other.
function comparePages(name, document, opened) {
  let alike = 0;
  let refused = 0;
  for (let index = 0; index < opened.pageCount; index += 1) {
    if (index > 0 && largePages(opened, index)) break;
    const bmp = attempt(() => opened.pageAsBmp(index));
    const nativeBmp = nativePage(document, index + 1, 'bmp');
    check((bmp.refusal === null) === (nativeBmp !== null),
      `${name} page ${index + 1}: the module ${bmp.refusal ? `refuses it (${bmp.refusal})` : 'builds it'}, kwentool ` +
      `${nativeBmp ? 'writes it' : 'refuses it'}`);
    if (bmp.refusal !== null || nativeBmp === null) {
      refused += 1;
      continue;
    }
    check(Buffer.compare(Buffer.from(bmp.result), nativeBmp) === 0, `${name} page ${index + 1}: its BMP differs`);
    // kwentool writes no PPM of some pages whose tones the reader shows.
    const nativePpm = nativePage(document, index + 1, 'ppm');
    const tones = attempt(() => opened.render(index, 1));
    check(nativePpm === null || tones.refusal === null, `${name} page ${index + 1}: no tones: ${tones.refusal}`);
    if (tones.refusal === null && nativePpm !== null) {
      const at = firstDifference(tones.result, ppmPixels(nativePpm));
      check(at < 0, `${name} page ${index + 1}: pixels differ from kwentool's at pixel ${at}`);
    }
    alike += 1;
  }
  return `${alike} pages alike, ${refused} refused alike`;
}

function compareDocument(document) {
  const name = path.basename(document);
  const bytes = readFileSync(document);
  const whole = openWhole(bytes, name);
  if (!whole.opened) {
    const nativeInfo = attempt(() => execFileSync(kwentool, ['info', document], { stdio: 'pipe' }));
    check(nativeInfo.refusal !== null, `${name}: kwentool opens it, the module refuses it (${whole.refusal})`);
    console.log(`${name}: refused alike: ${whole.refusal}`);
    return;
  }
  const alike = comparePages(name, document, whole.opened);
  if (name.endsWith('.kwen')) {
    const arriving = openArriving(bytes, name);
    arriving.early.forEach((page, index) => {
      if (page === null) return;  // a page without tones
      const wholePage = attempt(() => whole.opened.render(index, 1));
      check(wholePage.result && firstDifference(page, { ...wholePage.result, rgb: rgbOf(wholePage.result) }) < 0,
        `${name} page ${index + 1}: built while arriving, it differs from the whole document's`);
    });
    const ready = arriving.opened ? arriving.opened.restore().pagesReady : 0;
    check(ready === whole.opened.restore().pagesReady, `${name}: ${ready} pages ready once all has arrived`);
  }
  console.log(`${name}, ${whole.opened.pageCount} pages: ${alike}`);
}

function rgbOf(page) {
  const rgb = new Uint8Array(page.width * page.height * 3);
  for (let pixel = 0; pixel < page.width * page.height; pixel += 1) {
    rgb.set(page.pixels.subarray(pixel * 4, pixel * 4 + 3), pixel * 3);
  }
  return rgb;
}

mkdirSync(work, { recursive: true });
for (const document of documents) compareDocument(document);
check(readyBeforeLast > 0, 'no document had a page ready before its last piece arrived');
console.log(failures === 0 ? `all ${documents.length} documents alike` : `${failures} failures`);
process.exit(failures === 0 ? 0 : 1);
