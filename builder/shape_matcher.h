// Whether one shape of ink may stand for another: the test behind lossy
// matching, strict enough that two different letters never pass it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "builder/spot_finder.h"

// A shape as one byte a pixel (1 for ink), top row first.
struct Shape {
  int32_t width = 0;
  int32_t height = 0;
  int32_t ink = 0;  // pixels of ink
  std::vector<uint8_t> pixels;

  uint8_t At(int32_t x, int32_t y) const {
    return x < 0 || y < 0 || x >= width || y >= height ? 0 : pixels[static_cast<size_t>(y) * width + x];
  }
};

Shape ShapeOfComponent(const Component& component);

// A shape as bits, compared 64 pixels at a time, framed by kShapeBitsMargin
// blank pixels all round: row y of the shape is row y + kShapeBitsMargin of
// `words` words, and its pixel x is bit x + kShapeBitsMargin counted from
// bit 0 of the row's first word. The margin holds a shape moved by a pixel
// and the pixels beside it, so that comparisons test no edges.
constexpr int32_t kShapeBitsMargin = 2;
struct ShapeBits {
  int32_t width = 0;
  int32_t height = 0;
  int32_t ink = 0;
  int32_t words = 0;
  std::vector<uint64_t> rows;
};

ShapeBits BitsOfShape(const Shape& shape);

// Where a candidate lies over a shape: the candidate's top-left pixel at
// (dx, dy) from the shape's, and the weighted difference there.
struct ShapeMatch {
  int32_t dx = 0;
  int32_t dy = 0;
  int64_t difference = 0;
};

// The most the widths and heights of matching shapes differ: one pixel for
// letters up to this tall or wide, two above.
constexpr int32_t kTwoPixelSlackFrom = 24;
bool SizesMayMatch(const ShapeBits& shape, const ShapeBits& candidate);
// The largest weighted difference a candidate may have.
int64_t DifferenceLimit(const ShapeBits& shape);

// Tries the candidate centred on the shape (the one to four placements that
// rounding allows) and returns true with the best placement when one
// passes every test:
// - the weighted difference: each pixel in which the two differ counts the
//   differing pixels of its 3 x 3 neighbourhood, so that scattered edge
//   noise weighs little and solid patches weigh much; the sum stays within
//   DifferenceLimit;
// - no lost or added part: every ink pixel of one that the other lacks, and
//   that other differences touch, has ink of the other next to it (a missing
//   dot, stroke or bar fails here; a lone pixel of noise does not);
// - no thick patch: no 3 x 3 square is all differences.
bool MatchShapes(const Shape& shape, const Shape& candidate, ShapeMatch& match);

// Working rows of comparisons, kept from one to the next: a shape compared
// with many classes allocates them once.
struct MatchRoom {
  std::vector<uint64_t> shape;
  std::vector<uint64_t> candidate;
  std::vector<uint64_t> differs;
};

// MatchShapes over bits, taking only placements whose weighted difference
// is below `below`: a candidate no better than the best found so far is
// given up as soon as it cannot be, mostly after a few rows.
bool MatchShapeBits(const ShapeBits& shape, const ShapeBits& candidate, int64_t below, MatchRoom& room,
                    ShapeMatch& match);
