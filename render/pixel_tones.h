// Rows of page pixels as grey or red, green and blue bytes, for averaging:
// the colour table looked up once for all, 1-bit rows eight pixels a step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/bitmap_types.h"

class PixelTones {
 public:
  // For pixels of `bits` (1 to 32) through `table` of `colours` entries (an
  // index past it is black); `channels` is 1 for grey, 3 for RGB.
  PixelTones(uint32_t bits, const RgbQuad* table, int32_t colours, int channels);
  // Writes `width` pixels of `row` (leftmost first) as channel bytes.
  void Convert(const uint8_t* row, int32_t width, uint8_t* out) const;
  // The channel bytes of colour `index`, for pixels of 8 bits or fewer.
  const uint8_t* ToneOf(uint32_t index) const { return &lookup_[static_cast<size_t>(index) * channels_]; }
  // Whether every colour the pixels can take is a grey.
  bool AllGrey() const { return allGrey_; }

 private:
  uint32_t bits_;
  int channels_;
  bool allGrey_ = true;
  std::vector<uint8_t> lookup_;       // per index: its channel bytes
  std::vector<uint64_t> byteOfBits_;  // 1-bit grey: a byte of pixels as eight bytes
};

// The grey of a colour: its luminance, a grey's own value.
uint8_t GreyOf(uint8_t red, uint8_t green, uint8_t blue);
