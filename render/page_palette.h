// The colours of a page that has few, how much of the page each covers,
// and its rows as indexes into them: such a page (text in a few inks, line
// art, flat shades) goes into a PDF as masks of each ink or as a picture of
// 1, 2, 4 or 8 bits a pixel, rather than of 24.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "render/page_pixels.h"

// Whether every colour (0xRRGGBB each) is a grey.
bool AllGrey(const std::vector<uint32_t>& colours);

enum class PaletteSearch {
  kFound,
  kTooMany,      // more colours than asked for
  kPastTheTable, // a pixel's index lies past the page's colour table
};

class PagePalette {
 public:
  // Finds the page's colours, in the order they first appear, if it has at
  // most `most` (at most 256).
  PaletteSearch Find(const PagePixels& pixels, size_t most);
  // 0xRRGGBB each.
  const std::vector<uint32_t>& colours() const { return colours_; }
  // The pixels of each colour.
  const std::vector<uint64_t>& counts() const { return counts_; }
  // The fewest bits a pixel that index them all: 1, 2, 4 or 8.
  int32_t bits() const;
  // Row `y` as an index a byte into `indexes`; `rgb` holds 3 x width bytes
  // for the work.
  void IndexRow(const PagePixels& pixels, int32_t y, uint8_t* rgb, uint8_t* indexes) const;

 private:
  std::unordered_map<uint32_t, uint8_t> indexOf_;
  std::vector<uint32_t> colours_;
  std::vector<uint64_t> counts_;
};
