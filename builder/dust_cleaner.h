// Removes specks: tiny spots of ink far from any other ink, which scanners
// add and which no text has.
#pragma once

#include <cstdint>
#include <vector>

// A speck fits in a square of 1/100 inch (3 pixels at 300 dpi) and has no
// other ink within 1/25 inch (12 pixels at 300 dpi) of its box, so the dots
// of i and j and the full stops, which lie beside their letters, stay.
constexpr int32_t kSpeckSidesPerInch = 100;
constexpr int32_t kClearancesPerInch = 25;

struct SpeckCounts {
  int64_t specks = 0;
  int64_t pixels = 0;
};

// Clears the specks of an ink map (1 for ink, top row first) of a page at
// `dotsPerInch`.
SpeckCounts RemoveSpecks(std::vector<uint8_t>& ink, int32_t width, int32_t height, int32_t dotsPerInch);
