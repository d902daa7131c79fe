// The automatic cut of grey scans into ink and paper: Otsu's threshold over
// the page's brightness histogram.
#pragma once

#include <array>
#include <cstdint>

#include "input/page_image.h"

constexpr int32_t kBrightnessLevels = 256;
using Histogram = std::array<int64_t, kBrightnessLevels>;

// A pixel's brightness, 0 to 255, from its red, green and blue.
inline int32_t Brightness(const uint8_t* rgb) {
  constexpr int32_t kRed = 299, kGreen = 587, kBlue = 114, kScale = 1000;
  return (kRed * rgb[0] + kGreen * rgb[1] + kBlue * rgb[2]) / kScale;
}

Histogram BrightnessHistogram(const PageImage& image);

// The threshold (pixels darker than it are ink) that splits the histogram
// into two classes of the largest variance between them. A page without
// two distinct levels (the class means less than a quarter of the range
// apart: blank paper, paper noise) gets `fallback`, so that its noise does
// not turn into ink.
int32_t OtsuThreshold(const Histogram& histogram, int32_t fallback);
