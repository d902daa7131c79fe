#include "builder/dust_cleaner.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int32_t kWidth = 200, kHeight = 120;

struct Map {
  std::vector<uint8_t> ink = std::vector<uint8_t>(static_cast<size_t>(kWidth) * kHeight, 0);

  void Fill(int32_t left, int32_t top, int32_t width, int32_t height) {
    for (int32_t y = top; y < top + height; ++y) {
      for (int32_t x = left; x < left + width; ++x) ink[static_cast<size_t>(y) * kWidth + x] = 1;
    }
  }
  int64_t InkIn(int32_t left, int32_t top, int32_t width, int32_t height) const {
    int64_t count = 0;
    for (int32_t y = top; y < top + height; ++y) {
      for (int32_t x = left; x < left + width; ++x) count += ink[static_cast<size_t>(y) * kWidth + x];
    }
    return count;
  }
};

// A stem of 4 x 30 pixels at (100, 50), as a letter, and spots beside it or
// far from it. Specks near each other are not isolated; one in a corner is
// looked at within the page only.
TEST(SpeckCleaner, RemovesOnlySmallSpotsFarFromInk) {
  struct Spot {
    int32_t left, top, side;
    bool removed;
  };
  struct Case {
    const char* name;
    int32_t dotsPerInch;
    std::vector<Spot> spots;
  };
  const Case cases[] = {
      {"a pixel in the margin", 300, {{10, 10, 1, true}}},
      {"a 3 x 3 speck in the margin", 300, {{10, 10, 3, true}}},
      {"a 4 x 4 spot is more than a speck at 300 dpi", 300, {{10, 10, 4, false}}},
      {"but a speck at 600 dpi", 600, {{10, 10, 4, true}}},
      {"the dot of an i, 4 pixels above its stem", 300, {{100, 43, 3, false}}},
      {"a full stop 5 pixels after a letter", 300, {{109, 77, 3, false}}},
      {"a speck 12 pixels from a letter stays", 300, {{115, 60, 3, false}}},
      {"a speck 13 pixels from a letter goes", 300, {{116, 60, 3, true}}},
      {"two specks near each other", 300, {{20, 20, 2, false}, {26, 20, 2, false}}},
      {"specks in the corners", 300, {{0, 0, 1, true}, {kWidth - 2, kHeight - 2, 2, true}}},
  };
  for (const Case& c : cases) {
    Map map;
    map.Fill(100, 50, 4, 30);
    SpeckCounts removed;
    for (const Spot& spot : c.spots) {
      map.Fill(spot.left, spot.top, spot.side, spot.side);
      removed.specks += spot.removed;
      removed.pixels += spot.removed ? spot.side * spot.side : 0;
    }
    const SpeckCounts counts = RemoveSpecks(map.ink, kWidth, kHeight, c.dotsPerInch);
    for (const Spot& spot : c.spots) {
      EXPECT_EQ(map.InkIn(spot.left, spot.top, spot.side, spot.side), spot.removed ? 0 : spot.side * spot.side) << c.name;
    }
    EXPECT_EQ(counts.specks, removed.specks) << c.name;
    EXPECT_EQ(counts.pixels, removed.pixels) << c.name;
    EXPECT_EQ(map.InkIn(100, 50, 4, 30), 4 * 30) << c.name << ": the letter stays";
  }
}

}  // namespace
