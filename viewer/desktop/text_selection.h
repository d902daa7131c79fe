// Text selected with the mouse: the words between two places in reading
// order, across lines and pages, as boxes to paint and as text to copy.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "kwen/text.h"

// A word of the document: its page, its line on the page, its place on the line.
struct TextPoint {
  int32_t page = 0;
  int32_t line = 0;
  int32_t word = 0;

  bool operator<(const TextPoint& other) const {
    return std::tie(page, line, word) < std::tie(other.page, other.line, other.word);
  }
  bool operator==(const TextPoint& other) const {
    return page == other.page && line == other.line && word == other.word;
  }
};

// The words from `first` to `last` in reading order, both included.
struct TextRange {
  TextPoint first;
  TextPoint last;
};

// The range between two places, whichever comes first.
TextRange RangeBetween(const TextPoint& a, const TextPoint& b);

// The word of page `page` nearest the page pixel (x, y): on the line whose
// words' box is nearest in rows (then along them, for columns), the word
// nearest along it. None for a page without words.
std::optional<TextPoint> WordNearest(const kwen::DocumentText& text, int32_t page, int32_t x, int32_t y);

// Every word of page `page`; none when it has no words.
std::optional<TextRange> WholePage(const kwen::DocumentText& text, int32_t page);

// What of the range lies on page `page`: a box for each line, around its
// selected words.
std::vector<kwen::Box> RangeBoxes(const kwen::DocumentText& text, const TextRange& range, int32_t page);

// The range's words as text: joined by spaces, lines and pages by newlines.
std::string RangeText(const kwen::DocumentText& text, const TextRange& range);
