// A page's words as invisible PDF text over its picture, so that readers
// find, select and copy them where they show. Characters are two-byte codes
// (render/pdf_text_codes.h) in the glyphless font whose every glyph
// advances half an em; each word is stretched to its box.
#pragma once

#include <cstdint>
#include <string>

#include "kwen/text.h"
#include "render/pdf_text_codes.h"

// The page the words lie on: its height in pixels and the size of a pixel
// in points.
struct TextPlacement {
  int32_t pageHeight = 0;
  double pointsPerPixel = 1;
};

// The content-stream operators that lay the page's words out in text render
// mode 3 (invisible), in the font named `font` in the page's resources, with
// `codes`; a space between the words of a line. Empty for a page without
// words.
std::string TextLayerOperators(const kwen::PageText& text, const TextPlacement& placement, const std::string& font,
                               const PdfTextCodes& codes);
