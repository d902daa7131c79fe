#include "viewer/windows/view_geometry.h"

#include <gtest/gtest.h>

#include "tests/viewer/windows/view_test_host.h"
#include "viewer/windows/navigation.h"
#include "viewer/windows/viewer_state.h"

namespace {

// A 1700 x 2200 page in an 850 x 600 client area: k = 2, V = 1200, S = 73.
class ViewGeometry : public ::testing::Test {
 protected:
  void SetUp() override {
    viewRecord.client = {850, 600};
    OpenTestDocument({{1700, 2200}, {1700, 2200}, {1700, 3000}, {1700, 2200}});
  }
};

TEST_F(ViewGeometry, NextViewClampsToTheLastBandThenTurnsThePage) {
  EXPECT_EQ(LastViewTop(viewRecord.client), 1000);
  NextView();
  EXPECT_EQ(iViewTop, 1000);
  EXPECT_EQ(viewRecord.repaints, 1);
  NextView();
  EXPECT_EQ(iViewTop, 0);
  EXPECT_EQ(viewRecord.loads, std::vector<int32_t>{1});
  // On a page three views tall a step is one whole view.
  NextView();
  NextView();
  ASSERT_EQ(iCurPage, 2);
  NextView();
  EXPECT_EQ(iViewTop, 1200);
}

TEST_F(ViewGeometry, ScrollStepsMoveTheContentsByTruncatedPixels) {
  const struct {
    int32_t from;
    void (*move)();
    int32_t to, pixels;
  } cases[] = {{0, ScrollTextUp, 73, -36}, {73, ScrollTextDown, 0, 36}, {990, ScrollTextUp, 1000, -5}, {40, ScrollTextDown, 0, 20}};
  for (const auto& c : cases) {
    viewRecord.scrolls.clear();
    iViewTop = c.from;
    c.move();
    EXPECT_EQ(iViewTop, c.to) << "from " << c.from;
    EXPECT_EQ(viewRecord.scrolls, std::vector<int32_t>{c.pixels}) << "from " << c.from;
  }
  EXPECT_EQ(viewRecord.repaints, 0);
}

TEST_F(ViewGeometry, BackwardAtThePageTopShowsThePreviousPagesLastBand) {
  for (void (*move)() : {PrevView, ScrollTextDown}) {
    iCurPage = 3;
    iViewTop = 0;
    move();
    EXPECT_EQ(iCurPage, 2);
    EXPECT_EQ(iViewTop, 3000 - 1200);  // page 3's height, not page 4's
    EXPECT_EQ(aPageHistory[iHistoryPos], 2);
  }
}

TEST_F(ViewGeometry, TheDocumentsEndsStop) {
  PrevView();
  ScrollTextDown();
  iCurPage = 3;
  iViewTop = 1000;
  NextView();
  EXPECT_TRUE(viewRecord.loads.empty());
  // A scroll step at the end of the last page shows its top again.
  ScrollTextUp();
  EXPECT_EQ(viewRecord.loads, std::vector<int32_t>{3});
  EXPECT_EQ(iViewTop, 0);
}

TEST_F(ViewGeometry, PageTopAndEndRepaintAlwaysAPlainBmpNeverChangesPage) {
  PageTop();
  PageEnd();
  PageEnd();
  EXPECT_EQ(iViewTop, 1000);
  EXPECT_EQ(viewRecord.repaints, 3);
  OpenTestDocument({{1700, 2200}}, true);
  iViewTop = 1000;
  NextView();
  ScrollTextUp();
  EXPECT_TRUE(viewRecord.loads.empty());
  EXPECT_EQ(iViewTop, 1000);
}

TEST_F(ViewGeometry, AClientOfWidthZeroSkipsTheGeometry) {
  viewRecord.client = {0, 600};
  for (void (*move)() : {NextView, PrevView, ScrollTextUp, ScrollTextDown, PageEnd}) move();
  EXPECT_TRUE(iViewTop == 0 && viewRecord.loads.empty() && viewRecord.scrolls.empty());
  EXPECT_FALSE(PlanPaint(0, 0, 0, 600, viewRecord.client).stretch);
}

std::string Text(const PixelRect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" + std::to_string(r.height);
}

// What a paint draws, as text: the page band stretched into the window
// (source rows counted from the bottom), then the white strip below a page.
TEST_F(ViewGeometry, PaintsTheBandOfTheViewAndWhiteBelowThePage) {
  struct Case {
    std::vector<std::pair<int32_t, int32_t>> pages;
    int32_t viewTop, top;
    const char* drawn;
  };
  const Case cases[] = {
      {{{1700, 2200}}, 0, 0, "0,0 850x600 <- 0,1000 1700x1200"},
      {{{1700, 2200}}, 73, 564, "0,564 850x36 <- 0,927 1700x72"},  // a strip after a scroll
      {{{850, 400}}, 0, 0, "0,0 850x400 <- 0,0 850x400; white 0,400 850x200"},
      {{{850, 400}}, 0, 450, "white 0,450 850x150"},
  };
  for (const Case& c : cases) {
    OpenTestDocument(c.pages);
    iViewTop = c.viewTop;
    const PaintPlan plan = PlanPaint(0, c.top, 850, 600, viewRecord.client);
    std::string drawn = plan.stretch ? Text(plan.destination) + " <- " + Text(plan.source) : "";
    if (plan.white) drawn += (drawn.empty() ? "white " : "; white ") + Text(plan.whiteStrip);
    EXPECT_EQ(drawn, c.drawn) << c.viewTop << " " << c.top;
  }
}

// Width, colours, the current mode, the mode chosen (0: keep it).
TEST_F(ViewGeometry, HalftoneOnlyWhenScaling) {
  const int cases[][4] = {{850, 2, kColorOnColor, kHalftone},   {850, 2, kHalftone, 0},
                          {1700, 2, kHalftone, kBlackOnWhite},  {1700, 256, kHalftone, kColorOnColor},
                          {1700, 0, kHalftone, kColorOnColor},  {1700, 2, kColorOnColor, 0},
                          {1700, 2, kBlackOnWhite, 0}};
  for (const auto& [width, colors, current, chosen] : cases) {
    nColors = colors;
    EXPECT_EQ(ChooseStretchMode(width, current), chosen) << width << " " << colors;
  }
}

}  // namespace
