// A page's words as invisible PDF text over its picture, so that readers
// find, select and copy them where they show. Characters are two-byte codes,
// a UTF-16 code unit each (one outside the basic plane becomes U+FFFD), in
// the glyphless font whose every glyph advances half an em; each word is
// stretched to its box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kwen/text.h"

// The page the words lie on: its height in pixels and the size of a pixel
// in points.
struct TextPlacement {
  int32_t pageHeight = 0;
  double pointsPerPixel = 1;
};

// The content-stream operators that lay the page's words out in text render
// mode 3 (invisible), in the font named `font` in the page's resources; a
// space between the words of a line. Empty for a page without words.
std::string TextLayerOperators(const kwen::PageText& text, const TextPlacement& placement, const std::string& font);

// The codes of a UTF-8 word (a character that is not well-formed becomes
// U+FFFD).
std::vector<uint16_t> TextCodes(const std::string& utf8);

// The ToUnicode CMap that turns every code back into its character.
std::string IdentityToUnicodeCMap();
