#include "builder/shape_classes.h"

#include <limits>

namespace {

uint64_t SizeKey(int32_t width, int32_t height) {
  return (uint64_t{static_cast<uint32_t>(width)} << 32) | static_cast<uint32_t>(height);
}

constexpr int32_t kLargestSlack = 2;

}  // namespace

int32_t FindShapeClass(const ShapeClasses& classes, const Shape& shape, ShapeMatch& match) {
  const ShapeBits bits = BitsOfShape(shape);
  MatchRoom room;
  int32_t best = -1;
  int32_t comparisons = 0;
  for (int32_t height = shape.height - kLargestSlack; height <= shape.height + kLargestSlack; ++height) {
    for (int32_t width = shape.width - kLargestSlack; width <= shape.width + kLargestSlack; ++width) {
      const auto bucket = classes.bySize.find(SizeKey(width, height));
      if (bucket == classes.bySize.end()) continue;
      const std::vector<int32_t>& numbers = bucket->second;
      for (auto number = numbers.rbegin(); number != numbers.rend() && comparisons < kMostComparisons; ++number) {
        const ShapeBits& candidate = classes.classes[static_cast<size_t>(*number)].bits;
        if (!SizesMayMatch(bits, candidate)) break;
        ++comparisons;
        // Only a better match than the best so far is worth weighing out.
        const int64_t below = best < 0 ? std::numeric_limits<int64_t>::max() : match.difference;
        ShapeMatch tried;
        if (MatchShapeBits(bits, candidate, below, room, tried)) {
          best = *number;
          match = tried;
          if (tried.difference == 0) return best;
        }
      }
    }
  }
  return best;
}

int32_t AddShapeClass(ShapeClasses& classes, Shape shape, Bytes mask) {
  const int32_t number = static_cast<int32_t>(classes.classes.size());
  classes.bySize[SizeKey(shape.width, shape.height)].push_back(number);
  ShapeBits bits = BitsOfShape(shape);
  classes.classes.push_back(ShapeClass{std::move(shape), std::move(mask), 1, std::move(bits)});
  return number;
}
