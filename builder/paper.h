// The paper of a scanned page: its colour and the unevenness of the light
// it was scanned under, measured and divided out, so that paper becomes the
// page's white and ink keeps its colour wherever it lies.
#pragma once

#include <array>
#include <cstdint>

#include "input/page_image.h"

struct PaperReport {
  bool found = false;  // false: too little paper to measure (a photograph)
  std::array<uint8_t, 3> colour{};  // the paper's mean red, green, blue
};

// The side of the squares a page is measured in: 16 pixels at 300 dpi.
int32_t TileSide(int32_t dotsPerInch);

// Finds the paper in squares of `tileSide` pixels that hold nothing else,
// fits a smooth surface of the light to them and scales every pixel so that
// the surface becomes white. Leaves the image as it is when too little of
// it is paper.
PaperReport RemovePaper(PageImage& image, int32_t tileSide);
