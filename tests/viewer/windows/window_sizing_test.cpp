#include "viewer/windows/window_sizing.h"

#include <gtest/gtest.h>

namespace {

// A screen whose maximised window is 1600 x 1200, with a frame of 16 x 58.
constexpr int32_t kMaxW = 1600, kMaxH = 1200;
constexpr WindowSize kWindow{989, 1200}, kClient{973, 1142};

std::pair<int32_t, int32_t> Pair(WindowSize size) { return {size.width, size.height}; }

// The start is the golden section of the screen's width (988.8 rounds up);
// a page fits at 1:1 only below the maximised client size.
TEST(WindowSizing, StartAndFittedSizes) {
  EXPECT_EQ(Pair(StartWindowSize(kMaxW, kMaxH)), Pair(kWindow));
  const struct {
    int32_t pageW, pageH;
    WindowSize size;
  } cases[] = {
      {800, 1100, {816, 1158}}, {800, 1142, {816, 1200}},   {800, 3000, {816, 1200}},
      {1584, 500, {1600, 558}}, {2000, 3000, {1600, 1200}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Pair(FitWindowSize(kWindow, kClient, kMaxW, kMaxH, c.pageW, c.pageH)), Pair(c.size))
        << c.pageW << "x" << c.pageH;
  }
}

TEST(WindowSizing, TheResizeRuleSnapsToWholePageWidths) {
  FitWindowSize(kWindow, kClient, kMaxW, kMaxH, 400, 300);
  const struct {
    const char* what;
    WindowSize window;
    int32_t clientWidth, pageW, pageH;
    WindowSize result;
  } cases[] = {
      {"2.5 widths snap to 2", {1016, 1200}, 1000, 400, 300, {816, 658}},
      {"2.5 widths, a low window keeps its height", {1016, 500}, 1000, 400, 300, {816, 500}},
      {"half a width keeps the width", {516, 1200}, 500, 1000, 1100, {516, 608}},
      {"key 2 on a 600-pixel page", {656, 1200}, 640, 600, 800, {616, 858}},
      {"minimised", {160, 30}, 0, 600, 800, {160, 30}},
  };
  for (const auto& c : cases) {
    WindowSize size = ResizedWindowSize(c.window, c.clientWidth, c.pageW, c.pageH);
    EXPECT_EQ(Pair(size), Pair(c.result)) << c.what;
    // The second pass, from the WM_SIZE the new size sends, settles.
    if (c.clientWidth > 0) {
      EXPECT_EQ(Pair(ResizedWindowSize(size, size.width - 16, c.pageW, c.pageH)), Pair(size)) << c.what;
    }
  }
}

}  // namespace
