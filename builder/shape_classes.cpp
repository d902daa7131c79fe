#include "builder/shape_classes.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

uint64_t SizeKey(int32_t width, int32_t height) {
  return (uint64_t{static_cast<uint32_t>(width)} << 32) | static_cast<uint32_t>(height);
}

constexpr int32_t kLargestSlack = 2;
constexpr int32_t kOrderBits = 32;

struct Candidate {
  // The difference of the ink counts, which the shapes' difference is at
  // least, above the candidate's place in the order classes are tried:
  // candidates sorted by it are the likeliest best first, in order among
  // equals.
  uint64_t key;
  int32_t number;

  int64_t LeastDifference() const { return static_cast<int64_t>(key >> kOrderBits); }
  uint32_t Order() const { return static_cast<uint32_t>(key); }
};

// The classes a shape is compared with: those of its size, newest first, up
// to kMostComparisons, sorted as above, which lets most of them go untried
// once a close match is found.
std::vector<Candidate> Candidates(const ShapeClasses& classes, const ShapeBits& bits) {
  std::vector<Candidate> candidates;
  const int64_t limit = DifferenceLimit(bits);
  const uint32_t most = kMostComparisons;
  uint32_t order = 0;
  for (int32_t height = bits.height - kLargestSlack; height <= bits.height + kLargestSlack; ++height) {
    for (int32_t width = bits.width - kLargestSlack; width <= bits.width + kLargestSlack; ++width) {
      const auto bucket = classes.bySize.find(SizeKey(width, height));
      if (bucket == classes.bySize.end()) continue;
      const std::vector<int32_t>& numbers = bucket->second;
      // The classes of a bucket are all of its size.
      if (!SizesMayMatch(bits, classes.classes[static_cast<size_t>(numbers.front())].bits)) continue;
      for (auto number = numbers.rbegin(); number != numbers.rend() && order < most; ++number, ++order) {
        const int64_t least = std::abs(int64_t{bits.ink} - classes.classes[static_cast<size_t>(*number)].bits.ink);
        if (least > limit) continue;
        candidates.push_back(Candidate{static_cast<uint64_t>(least) << kOrderBits | order, *number});
      }
    }
  }
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) { return a.key < b.key; });
  return candidates;
}

}  // namespace

int32_t FindShapeClass(const ShapeClasses& classes, const Shape& shape, ShapeMatch& match) {
  const ShapeBits bits = BitsOfShape(shape);
  const std::vector<Candidate> candidates = Candidates(classes, bits);
  MatchRoom room;
  int32_t best = -1;
  uint32_t bestOrder = 0;
  for (const Candidate& candidate : candidates) {
    // This one and the rest differ by more than the best so far.
    if (best >= 0 && candidate.LeastDifference() > match.difference) break;
    // The first of equal matches wins, as the classes stand in order.
    const int64_t below = best < 0                        ? std::numeric_limits<int64_t>::max()
                          : candidate.Order() < bestOrder ? match.difference + 1
                                                          : match.difference;
    ShapeMatch tried;
    if (MatchShapeBits(bits, classes.classes[static_cast<size_t>(candidate.number)].bits, below, room, tried)) {
      best = candidate.number;
      bestOrder = candidate.Order();
      match = tried;
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
