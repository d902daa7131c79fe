// A document's text in the formats other programs read: plain text, hOCR
// (XHTML with each word's box) and JSON.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kwen/text.h"

enum class TextFormat { kPlain, kHocr, kJson };

// "plain", "hocr" or "json"; false for anything else.
bool TextFormatOfName(const std::string& name, TextFormat& format);

// A page whose text is written, and its size in pixels.
struct TextPage {
  int32_t index = 0;  // from 0
  int32_t width = 0;
  int32_t height = 0;
};

// The text of `pages` (in the order given) in `format`:
//   plain  each page's lines, a blank line between blocks, a form feed
//          between pages;
//   hOCR   an XHTML document, a div of class ocr_page for each page, its
//          blocks as ocr_par, lines as ocr_line, words as ocrx_word, each
//          with title="bbox left top right bottom";
//   JSON   {"title", "outline": [{"title", "page" (from 1), "level"}],
//          "pages": [{"page" (from 1), "width", "height",
//                     "lines": [{"block", "words": [{"text", "box"}]}]}]},
//          a box being [left, top, right, bottom].
std::string FormatText(TextFormat format, const kwen::DocumentText& text, const std::vector<TextPage>& pages);

int64_t WordCount(const kwen::PageText& page);
int64_t WordCount(const kwen::DocumentText& text);
