// Documents of every kind of page a PDF export meets, for its tests:
// printed text, drawn strokes, grey and colour photographs, a few inks on
// white or on coloured paper, white pages, at several resolutions; and a
// text layer of words, a title and an outline for them.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "kwen/document.h"
#include "tests/test_support.h"

namespace pdf_test {

using testing_support::Bytes;

// What the PDF keeps of each page, as `pdfimages -list` tells it: the
// type, colours, bits and coding of each picture; none for a white page.
struct PageCase {
  const char* name;
  Bytes record;
  int32_t dotsPerInch;
  std::string pictures;  // "stencil - 1 ccitt; stencil - 1 image" and the like
};

// One page of each kind, from a fixed seed.
std::vector<PageCase> PageCases();
// The unpacked document of the cases' pages, each at its resolution.
Bytes DocumentOf(const std::vector<PageCase>& cases);
// The document `pages` with `text` stored after its pages.
kwen::Document WithText(const Bytes& pages, int32_t pageCount, const kwen::DocumentText& text);
// Words on the first page (300 dpi) and the white page (the seventh, 200
// dpi), a title and an outline of two levels, for PageCases().
kwen::DocumentText SampleText();

// A page of printed text in black on white: a line every 60 pixels, as at 300 dpi.
Bytes PrintedPage(std::mt19937& random, int32_t width, int32_t height);
// A page with no spot: white all over.
Bytes BlankPage(int32_t width, int32_t height);

}  // namespace pdf_test
