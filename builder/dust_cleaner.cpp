#include "builder/dust_cleaner.h"

#include <algorithm>

#include "builder/spot_finder.h"

namespace {

int64_t InkIn(const std::vector<uint8_t>& ink, int32_t width, int32_t left, int32_t top, int32_t right,
              int32_t bottom) {
  int64_t count = 0;
  for (int32_t y = top; y <= bottom; ++y) {
    const uint8_t* row = &ink[static_cast<size_t>(y) * width];
    for (int32_t x = left; x <= right; ++x) count += row[x] != 0;
  }
  return count;
}

}  // namespace

SpeckCounts RemoveSpecks(std::vector<uint8_t>& ink, int32_t width, int32_t height, int32_t dotsPerInch) {
  const int32_t side = std::max(1, dotsPerInch / kSpeckSidesPerInch);
  const int32_t clearance = std::max(1, dotsPerInch / kClearancesPerInch);
  SpeckCounts counts;
  for (const Component& component : FindComponents(ink, width, height)) {
    if (component.Width() > side || component.Height() > side) continue;
    int64_t pixels = 0;
    for (const Run& run : component.runs) pixels += run.last - run.first + 1;
    const int64_t around =
        InkIn(ink, width, std::max(0, component.left - clearance), std::max(0, component.top - clearance),
              std::min(width - 1, component.right + clearance), std::min(height - 1, component.bottom + clearance));
    if (around != pixels) continue;
    for (const Run& run : component.runs) {
      std::fill(&ink[static_cast<size_t>(run.row) * width + run.first],
                &ink[static_cast<size_t>(run.row) * width + run.last] + 1, uint8_t{0});
    }
    ++counts.specks;
    counts.pixels += pixels;
  }
  return counts;
}
