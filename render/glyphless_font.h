// A TrueType font whose every glyph is empty: the font of a PDF's invisible
// text layer, where words must be found, selected and copied but never
// drawn. Made here, a few hundred bytes, rather than taken from a font file.
#pragma once

#include <cstdint>
#include <string>

// Its metrics in font units, which the PDF font dictionaries repeat: every
// glyph advances half an em; the ascent and descent span one em.
constexpr int32_t kGlyphlessUnitsPerEm = 1000;
constexpr int32_t kGlyphlessAdvance = 500;
constexpr int32_t kGlyphlessAscent = 800;
constexpr int32_t kGlyphlessDescent = -200;
// Glyph 0 is the required missing glyph; every character is drawn as glyph 1.
constexpr uint16_t kGlyphlessGlyph = 1;
extern const char kGlyphlessFontName[];

// The font file's bytes.
std::string GlyphlessFont();
