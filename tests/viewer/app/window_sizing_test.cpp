#include "viewer/app/window_sizing.h"

#include <gtest/gtest.h>

namespace {

// A screen whose maximised window is 1600 x 1200, with a frame of 16 x 58.
constexpr int32_t kMaxW = 1600, kMaxH = 1200;
constexpr WindowSize kWindow{989, 1200}, kClient{973, 1142};

TEST(WindowSizing, StartSizeIsTheGoldenSectionOfTheScreen) {
  WindowSize start = StartWindowSize(kMaxW, kMaxH);
  EXPECT_EQ(start.width, 989);  // 1600 x 0.618 = 988.8
  EXPECT_EQ(start.height, 1200);
}

TEST(WindowSizing, FittingMeasuresTheFrameAndEachDimension) {
  struct Case {
    int32_t pageW, pageH, width, height;
  };
  const Case cases[] = {
      {800, 1100, 816, 1158},    // fits at 1:1
      {800, 1142, 816, 1200},    // exactly the maximised client height: does not fit
      {800, 3000, 816, 1200},    // too tall
      {1584, 500, 1600, 558},    // exactly the maximised client width: does not fit
      {2000, 3000, 1600, 1200},  // too wide and too tall
  };
  for (const Case& c : cases) {
    WindowSize size = FitWindowSize(kWindow, kClient, kMaxW, kMaxH, c.pageW, c.pageH);
    EXPECT_EQ(size.width, c.width) << c.pageW << "x" << c.pageH;
    EXPECT_EQ(size.height, c.height) << c.pageW << "x" << c.pageH;
  }
  EXPECT_EQ(iFrameDX, 16);
  EXPECT_EQ(iFrameDY, 58);
  EXPECT_EQ(iMaxClientWidth, 1584);
  EXPECT_EQ(iMaxClientHeight, 1142);
}

TEST(WindowSizing, TheResizeRuleSnapsToWholePageWidths) {
  FitWindowSize(kWindow, kClient, kMaxW, kMaxH, 400, 300);
  struct Case {
    const char* what;
    WindowSize window;
    int32_t clientWidth, pageW, pageH;
    WindowSize result;
  };
  const Case cases[] = {
      {"2.5 widths snap to 2", {1016, 1200}, 1000, 400, 300, {816, 658}},
      {"2.5 widths, a low window keeps its height", {1016, 500}, 1000, 400, 300, {816, 500}},
      {"half a width keeps the width", {516, 1200}, 500, 1000, 1100, {516, 608}},
      {"key 1 on a 1000-pixel page", {496, 1200}, 480, 1000, 1100, {496, 586}},
      {"key 2 on a 600-pixel page", {656, 1200}, 640, 600, 800, {616, 858}},
      {"exactly one width", {616, 858}, 600, 600, 800, {616, 858}},
      {"minimised", {160, 30}, 0, 600, 800, {160, 30}},
  };
  for (const Case& c : cases) {
    WindowSize size = ResizedWindowSize(c.window, c.clientWidth, c.pageW, c.pageH);
    EXPECT_EQ(size.width, c.result.width) << c.what;
    EXPECT_EQ(size.height, c.result.height) << c.what;
    // The second pass, from the WM_SIZE the new size sends, settles.
    WindowSize again = ResizedWindowSize(size, size.width - iFrameDX, c.pageW, c.pageH);
    if (c.clientWidth > 0) {
      EXPECT_EQ(again.width, size.width) << c.what;
      EXPECT_EQ(again.height, size.height) << c.what;
    }
  }
}

}  // namespace
