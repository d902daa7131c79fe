#include "render/page_palette.h"

#include <algorithm>

namespace {

constexpr size_t kRgbBytes = 3;

uint32_t ColourAt(const uint8_t* rgb) {
  return (uint32_t{rgb[0]} << 16) | (uint32_t{rgb[1]} << 8) | rgb[2];
}

}  // namespace

bool AllGrey(const std::vector<uint32_t>& colours) {
  return std::all_of(colours.begin(), colours.end(), [](uint32_t colour) {
    return (colour >> 16) == (colour & 0xFF) && ((colour >> 8) & 0xFF) == (colour & 0xFF);
  });
}

PaletteSearch PagePalette::Find(const PagePixels& pixels, size_t most) {
  indexOf_.clear();
  colours_.clear();
  counts_.clear();
  std::vector<uint8_t> rgb(kRgbBytes * static_cast<size_t>(pixels.width));
  for (int32_t y = 0; y < pixels.height; ++y) {
    if (!PageRowRgb(pixels, y, rgb.data())) return PaletteSearch::kPastTheTable;
    uint32_t last = ColourAt(rgb.data()) ^ 1;  // none yet
    size_t index = 0;
    for (size_t x = 0; x < rgb.size(); x += kRgbBytes) {
      const uint32_t colour = ColourAt(&rgb[x]);
      // Runs of one colour are the rule: looked up once a run.
      if (colour != last) {
        last = colour;
        const auto known = indexOf_.find(colour);
        if (known != indexOf_.end()) {
          index = known->second;
        } else if (colours_.size() == most) {
          return PaletteSearch::kTooMany;
        } else {
          index = colours_.size();
          indexOf_.emplace(colour, static_cast<uint8_t>(index));
          colours_.push_back(colour);
          counts_.push_back(0);
        }
      }
      ++counts_[index];
    }
  }
  return PaletteSearch::kFound;
}

int32_t PagePalette::bits() const {
  int32_t bits = 1;
  while ((size_t{1} << bits) < colours_.size()) bits *= 2;
  return bits;
}

void PagePalette::IndexRow(const PagePixels& pixels, int32_t y, uint8_t* rgb, uint8_t* indexes) const {
  PageRowRgb(pixels, y, rgb);
  uint32_t last = ColourAt(rgb);
  uint8_t index = indexOf_.at(last);
  for (size_t x = 0; x < static_cast<size_t>(pixels.width); ++x) {
    const uint32_t colour = ColourAt(rgb + kRgbBytes * x);
    if (colour != last) {
      last = colour;
      index = indexOf_.at(colour);
    }
    indexes[x] = index;
  }
}
