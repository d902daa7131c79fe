#include "builder/shape_matcher.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The weighted difference allowed per pixel of the shape's width plus
// height: edge noise of a scan moves about one edge pixel in a few, and
// more lets different letters of one size match.
constexpr int64_t kDifferencePerSidePixel = 2;
constexpr int32_t kFullSquare = 9;
// A difference away from the other shape's ink is a speck of noise when at
// most one other difference touches it; more make a part of a letter.
constexpr int32_t kLoneDifferences = 3;

// The differences of the shape and the candidate over a frame that holds
// both with a margin of one pixel, so that every neighbourhood is inside.
struct Overlay {
  int32_t left;  // frame column 0 in shape coordinates
  int32_t top;
  int32_t width;
  int32_t height;
  std::vector<uint8_t> differs;

  uint8_t At(int32_t x, int32_t y) const { return differs[static_cast<size_t>(y) * width + x]; }
};

// False as soon as more pixels differ than `limit`: the weighted difference
// is at least their count.
bool Overlap(const Shape& shape, const Shape& candidate, int32_t dx, int32_t dy, int64_t limit, Overlay& overlay) {
  overlay.left = std::min(0, dx) - 1;
  overlay.top = std::min(0, dy) - 1;
  overlay.width = std::max(shape.width, dx + candidate.width) + 1 - overlay.left;
  overlay.height = std::max(shape.height, dy + candidate.height) + 1 - overlay.top;
  overlay.differs.assign(static_cast<size_t>(overlay.width) * overlay.height, 0);
  int64_t count = 0;
  for (int32_t y = 1; y + 1 < overlay.height; ++y) {
    const int32_t sy = y + overlay.top;
    for (int32_t x = 1; x + 1 < overlay.width; ++x) {
      const int32_t sx = x + overlay.left;
      const uint8_t differs = shape.At(sx, sy) ^ candidate.At(sx - dx, sy - dy);
      if (differs == 0) continue;
      overlay.differs[static_cast<size_t>(y) * overlay.width + x] = 1;
      if (++count > limit) return false;
    }
  }
  return true;
}

// Whether `shape` has ink in the 3 x 3 neighbourhood of its pixel (x, y).
bool InkNear(const Shape& shape, int32_t x, int32_t y) {
  for (int32_t ny = y - 1; ny <= y + 1; ++ny) {
    for (int32_t nx = x - 1; nx <= x + 1; ++nx) {
      if (shape.At(nx, ny) != 0) return true;
    }
  }
  return false;
}

// The weighted difference, or -1 when a difference is a lost part or a
// thick patch.
int64_t WeighDifferences(const Shape& shape, const Shape& candidate, int32_t dx, int32_t dy,
                         const Overlay& overlay) {
  int64_t weight = 0;
  for (int32_t y = 1; y + 1 < overlay.height; ++y) {
    for (int32_t x = 1; x + 1 < overlay.width; ++x) {
      if (overlay.At(x, y) == 0) continue;
      int32_t near = 0;
      for (int32_t ny = y - 1; ny <= y + 1; ++ny) {
        for (int32_t nx = x - 1; nx <= x + 1; ++nx) near += overlay.At(nx, ny);
      }
      if (near == kFullSquare) return -1;
      const int32_t sx = x + overlay.left, sy = y + overlay.top;
      const bool inShape = shape.At(sx, sy) != 0;
      if (near >= kLoneDifferences && (inShape ? !InkNear(candidate, sx - dx, sy - dy) : !InkNear(shape, sx, sy))) {
        return -1;
      }
      weight += near;
    }
  }
  return weight;
}

// The offsets that put the candidate's centre on the shape's, both ways of
// rounding a half pixel.
void CentredOffsets(int32_t size, int32_t candidateSize, int32_t offsets[2], int32_t& count) {
  const int32_t twice = size - candidateSize;
  offsets[0] = twice >= 0 ? twice / 2 : -((-twice + 1) / 2);
  count = 1;
  if ((twice & 1) != 0) offsets[count++] = offsets[0] + 1;
}

}  // namespace

Shape ShapeOfComponent(const Component& component) {
  Shape shape;
  shape.width = component.Width();
  shape.height = component.Height();
  shape.pixels.assign(static_cast<size_t>(shape.width) * shape.height, 0);
  for (const Run& run : component.runs) {
    uint8_t* row = &shape.pixels[static_cast<size_t>(run.row - component.top) * shape.width];
    std::fill(row + (run.first - component.left), row + (run.last - component.left) + 1, uint8_t{1});
    shape.ink += run.last - run.first + 1;
  }
  return shape;
}

bool SizesMayMatch(const Shape& shape, const Shape& candidate) {
  const int32_t slack = std::max(shape.width, shape.height) > kTwoPixelSlackFrom ? 2 : 1;
  return std::abs(shape.width - candidate.width) <= slack && std::abs(shape.height - candidate.height) <= slack;
}

int64_t DifferenceLimit(const Shape& shape) {
  return (int64_t{shape.width} + shape.height) * kDifferencePerSidePixel;
}

bool MatchShapes(const Shape& shape, const Shape& candidate, ShapeMatch& match) {
  if (!SizesMayMatch(shape, candidate)) return false;
  const int64_t limit = DifferenceLimit(shape);
  if (std::abs(shape.ink - candidate.ink) > limit) return false;
  int32_t xOffsets[2], yOffsets[2], xCount, yCount;
  CentredOffsets(shape.width, candidate.width, xOffsets, xCount);
  CentredOffsets(shape.height, candidate.height, yOffsets, yCount);
  bool found = false;
  Overlay overlay;
  for (int32_t i = 0; i < yCount; ++i) {
    for (int32_t j = 0; j < xCount; ++j) {
      const int32_t dx = xOffsets[j], dy = yOffsets[i];
      if (!Overlap(shape, candidate, dx, dy, limit, overlay)) continue;
      const int64_t difference = WeighDifferences(shape, candidate, dx, dy, overlay);
      if (difference < 0 || difference > limit || (found && difference >= match.difference)) continue;
      match = ShapeMatch{dx, dy, difference};
      found = true;
    }
  }
  return found;
}
