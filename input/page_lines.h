// A drawn page's words, as the PDF gives them in reading order, made into
// lines and blocks of words that a document keeps.
#pragma once

#include <cstdint>
#include <vector>

#include "input/text_wire.h"
#include "kwen/text.h"

// The words of a page of `width` x `height` pixels, in the order given:
// their text repaired to UTF-8 and cut at spaces and controls, words with
// no space between them on one line joined, boxes kept to the page (words
// wholly off it dropped). A line runs on while the next word sits beside
// the last; a block starts where a line is more than one and a half lines
// below the last, or not below it at all (a column's start), or beside it,
// or turned another way, or of letters of another size (a heading).
kwen::PageText LayOutWords(const std::vector<PlacedWord>& words, int32_t width, int32_t height);
