// Spots of a page: the 8-connected groups of ink pixels, and the order in
// which a page writes them.
#pragma once

#include <cstdint>
#include <vector>

// Columns first to last (inclusive) of one page row.
struct Run {
  int32_t row;
  int32_t first;
  int32_t last;
};

// One group, with its bounding box (rows counted from the top) and its runs
// in row order.
struct Component {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
  std::vector<Run> runs;

  int32_t Width() const { return right - left + 1; }
  int32_t Height() const { return bottom - top + 1; }
};

// The groups of non-zero bytes of a map of width x height bytes, top row first.
std::vector<Component> FindComponents(const std::vector<uint8_t>& map, int32_t width, int32_t height);

// The most spots a page is stored as: one for every kPixelsPerSpot pixels,
// and kSpotsOnAnyPage on a smaller page. Text pages have one in thousands of
// pixels (the sample pages one in 4,000) and dusty scans one in hundreds;
// past the bound a page is noise or a dithered picture, whose spots would
// cost far more than its pixels, and gathering them gigabytes.
constexpr int64_t kPixelsPerSpot = 64;
constexpr int64_t kSpotsOnAnyPage = 1024;

// Whether the map's groups stay within that bound: counted as its runs are
// joined, before any group is gathered.
bool SpotsWithinBudget(const std::vector<uint8_t>& map, int32_t width, int32_t height);

// Text lines from the top, each from left to right, so that the cursor moves
// from one spot to the next stay small.
void SortReadingOrder(std::vector<Component>& components);

// The component's mask: height rows of ceil(width / 8) bytes, bottom row
// first, leftmost pixel in bit 7.
std::vector<uint8_t> ComponentMask(const Component& component);
