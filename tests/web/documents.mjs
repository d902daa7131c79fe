// The documents the browser tests read, made with kwentool in a scratch
// folder: the sample, a longer one, a 12-page book with words (from a PDF
// drawn by Ghostscript), and broken ones: no document at all, one cut short, one
// whose text is damaged, one whose second page is.
import { execFileSync } from 'node:child_process';
import { readFileSync, statSync, writeFileSync } from 'node:fs';
import path from 'node:path';

export const BOOK_PAGES = 12;
export const LONG_PAGES = 8;
export const LONG_TITLE = 'Colour pages';

// Page 5 and page 9 hold the word searched for; every page says its number.
// Its outline: Part one (page 1), within it The lighthouse (5); The rock (9).
const BOOK_POSTSCRIPT = `%!PS
[ /Title (The web reader's test book) /DOCINFO pdfmark
[ /Count 1 /Title (Part one) /Page 1 /OUT pdfmark
[ /Title (The lighthouse) /Page 5 /OUT pdfmark
[ /Title (The rock) /Page 9 /OUT pdfmark
1 1 ${BOOK_PAGES} {
  /n exch def
  /Times-Roman findfont 28 scalefont setfont
  72 700 moveto (Page ) show n 3 string cvs show
  /Times-Roman findfont 16 scalefont setfont
  72 640 moveto (The quick brown fox jumps over the lazy dog.) show
  72 610 moveto (Pack my box with five dozen liquor jugs.) show
  n 5 eq { 72 560 moveto (A lighthouse keeper counts the waves.) show } if
  n 9 eq { 72 300 moveto (The lighthouse stands on the rock.) show } if
  0 0.4 0.8 setrgbcolor 72 200 moveto 300 0 rlineto 0 40 rlineto -300 0 rlineto closepath fill
  showpage
} for
`;

function run(program, args, folder) {
  return execFileSync(program, args, { cwd: folder, stdio: ['ignore', 'pipe', 'pipe'] }).toString();
}

// Makes the documents in `folder`; returns their file names and the book's
// words as `kwentool text --format json` gives them.
export function makeDocuments(kwentool, examplePages, folder) {
  const tool = (...args) => run(kwentool, args, folder);
  writeFileSync(path.join(folder, 'book.ps'), BOOK_POSTSCRIPT);
  run('gs', ['-q', '-dSAFER', '-dBATCH', '-dNOPAUSE', '-sDEVICE=pdfwrite', '-sOutputFile=book.pdf', 'book.ps'], folder);
  tool('build', '--dpi', '150', '-o', 'book.kwen', 'book.pdf');
  const pages = ['text-1.png', 'text-2.png', 'colour.png'].map((name) => path.join(examplePages, name));
  tool('build', '-o', 'sample.kwen', ...pages);
  // Colour pages after a text page, packed: the first page is restored
  // from the first half of the bytes.
  tool('build', '--title', LONG_TITLE, '-o', 'long.kwen', ...pages, ...Array(LONG_PAGES - pages.length).fill(pages[2]));
  const bookText = JSON.parse(tool('text', 'book.kwen', '--format', 'json'));

  writeFileSync(path.join(folder, 'nothing.kwen'), 'plain text, not a document\n'.repeat(40));
  const sample = readFileSync(path.join(folder, 'sample.kwen'));
  writeFileSync(path.join(folder, 'cut.kwen'), sample.subarray(0, Math.floor(sample.length * 0.6)));

  // A page with words whose text layer is damaged: the unpacked page with
  // its words, one byte changed where the words begin (the size of the
  // same page unpacked without words).
  tool('build', '--dpi', '150', '-o', 'one.kwen', 'book.pdf:1');
  tool('render', 'one.kwen', '1', 'one.png');
  tool('build', '--dpi', '150', '-o', 'one-plain.kwen', 'one.png');
  tool('unpack', 'one.kwen', 'one.bs');
  tool('unpack', 'one-plain.kwen', 'one-plain.bs');
  const damaged = readFileSync(path.join(folder, 'one.bs'));
  damaged[statSync(path.join(folder, 'one-plain.bs')).size] ^= 0x5a;
  writeFileSync(path.join(folder, 'damaged-text.bs'), damaged);

  // The sample unpacked, its second page claiming 0 bits a pixel: the
  // label, a table of page sizes closed by 0, then the records, each a BMP
  // file header (14 bytes) and an information header (bits at its 14th byte).
  tool('unpack', 'sample.kwen', 'sample.bs');
  const middle = readFileSync(path.join(folder, 'sample.bs'));
  const pageCount = (middle.indexOf(Buffer.alloc(4), 4) - 4) / 4;
  const secondPage = 4 + 4 * (pageCount + 1) + middle.readUInt32LE(4);
  middle.writeUInt16LE(0, secondPage + 14 + 14);
  writeFileSync(path.join(folder, 'damaged-page.bs'), middle);
  return { bookText };
}

// A page of `document` as kwentool renders it, as a PNG file in `folder`.
export function nativeRender(kwentool, folder, document, page) {
  const out = `native-${path.basename(document, path.extname(document))}-${page}.png`;
  run(kwentool, ['render', document, String(page), out], folder);
  return path.join(folder, out);
}
