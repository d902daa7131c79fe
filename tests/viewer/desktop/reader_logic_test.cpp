// The reader's logic without a window: layout, zoom, cache, settings names
// and the page history.
#include <gtest/gtest.h>

#include "viewer/desktop/page_cache_policy.h"
#include "viewer/desktop/page_history.h"
#include "viewer/desktop/reader_layout.h"
#include "viewer/desktop/reader_settings.h"

namespace {

const std::vector<PageExtent> kLetterPages{{850, 1100, 100}, {850, 1100, 100}, {850, 1100, 100}};

TEST(ReaderLayout, ZoomStepsWalkFrom25To800AndStopAtTheEnds) {
  double scale = kSmallestScale;
  int steps = 0;
  while (NextZoomStep(scale) > scale) {
    scale = NextZoomStep(scale);
    ++steps;
  }
  EXPECT_DOUBLE_EQ(scale, 8.0);
  EXPECT_EQ(steps, 12);
  for (int k = 0; k < steps; ++k) scale = PreviousZoomStep(scale);
  EXPECT_DOUBLE_EQ(scale, 0.25);
  EXPECT_DOUBLE_EQ(PreviousZoomStep(0.25), 0.25);
  // A fitted scale between steps goes to the neighbouring steps.
  EXPECT_DOUBLE_EQ(NextZoomStep(0.85), 1.0);
  EXPECT_DOUBLE_EQ(PreviousZoomStep(0.85), 0.75);
}

TEST(ReaderLayout, FitWidthFillsTheViewportAndFitPageShowsTheWholePage) {
  const double width = ScaleFor({ZoomMode::kFitWidth, 1.0}, kLetterPages, 850 + 2 * kPageGap, 300);
  EXPECT_DOUBLE_EQ(width, 1.0);
  const double page = ScaleFor({ZoomMode::kFitPage, 1.0}, kLetterPages, 2000, 550 + 2 * kPageGap);
  EXPECT_DOUBLE_EQ(page, 0.5);
  EXPECT_DOUBLE_EQ(ScaleFor({ZoomMode::kFixed, 20.0}, kLetterPages, 100, 100), 8.0);
  EXPECT_DOUBLE_EQ(ScaleFor({ZoomMode::kFixed, 0.01}, kLetterPages, 100, 100), 0.25);
}

TEST(ReaderLayout, PagesOfOtherResolutionsShowAtTheSamePhysicalSize) {
  // A 300 dpi letter page and a 150 dpi one: the same sheet of paper.
  const std::vector<PageExtent> pages{{2550, 3300, 300}, {1275, 1650, 150}, {1000, 500, 0}};
  const ContinuousLayout layout = LayOutPages(pages, 0.5, 1400);
  EXPECT_EQ(layout.places[0].width, 1275);
  EXPECT_EQ(layout.places[1].width, 1275);
  EXPECT_EQ(layout.places[1].height, 1650);
  EXPECT_EQ(layout.places[2].width, 500);  // no resolution: counted at the reference one
  EXPECT_EQ(ScaleFor({ZoomMode::kFitWidth, 1.0}, pages, 2550 / 2 + 2 * kPageGap, 100), 0.5);
}

TEST(ReaderLayout, PagesStackWithGapsAndCentreInTheViewport) {
  const ContinuousLayout layout = LayOutPages(kLetterPages, 0.5, 1000);
  ASSERT_EQ(layout.places.size(), 3u);
  EXPECT_EQ(layout.places[0].y, kPageGap);
  EXPECT_EQ(layout.places[1].y, kPageGap + 550 + kPageGap);
  EXPECT_EQ(layout.places[0].x, (1000 - 425) / 2);
  EXPECT_EQ(layout.totalHeight, 3 * (550 + kPageGap) + kPageGap);
  // A page wider than the viewport starts one gap from the left.
  EXPECT_EQ(LayOutPages(kLetterPages, 2.0, 1000).places[0].x, kPageGap);
}

TEST(ReaderLayout, RowsAndBandsFindTheirPages) {
  const ContinuousLayout layout = LayOutPages(kLetterPages, 1.0, 900);
  const int64_t second = layout.places[1].y;
  const struct {
    int64_t top;
    int32_t height;
    int32_t first, last;
  } cases[] = {
      {0, 100, 0, 0},                      // the gap above the first page
      {second - 1, 100, 1, 1},             // the gap between pages belongs to the next
      {second - 200, 400, 0, 1},           // a band over the gap
      {0, 100000, 0, 2},                   // everything
      {layout.totalHeight - 5, 5, 2, 2},   // the gap below the last page
  };
  for (const auto& c : cases) {
    const PageSpan span = PagesInBand(layout, c.top, c.height);
    EXPECT_EQ(span.first, c.first) << c.top;
    EXPECT_EQ(span.last, c.last) << c.top;
  }
  EXPECT_EQ(PageAtRow(layout, second), 1);
  EXPECT_EQ(PageAtRow(layout, second - 1), 0);
  EXPECT_EQ(TopOfPage(layout, 1), second - kPageGap);
  EXPECT_EQ(ClampViewTop(layout, -10, 500), 0);
  EXPECT_EQ(ClampViewTop(layout, layout.totalHeight, 500), layout.totalHeight - 500);
}

TEST(PageCache, EvictsTheLeastRecentlyUsedOverTheBudgetButNeverThePagesInView) {
  PageCachePolicy cache;
  cache.budget = 300;
  for (int32_t page = 0; page < 5; ++page) TouchPage(cache, page, 100);
  TouchPage(cache, 0, 100);  // used again: the newest
  EXPECT_EQ(cache.held, 500u);
  // Pages 1 and 2 are the oldest, but 1 is in view.
  EXPECT_EQ(EvictOverBudget(cache, 1, 1), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(cache.held, 300u);
  EXPECT_TRUE(HoldsPage(cache, 1));
  EXPECT_FALSE(HoldsPage(cache, 2));
  // Everything in view stays even over the budget.
  cache.budget = 0;
  EXPECT_EQ(EvictOverBudget(cache, 0, 10), std::vector<int32_t>{});
  ForgetPage(cache, 4);
  EXPECT_EQ(cache.held, 200u);
  TouchPage(cache, 1, 250);  // rebuilt at another size: counted once
  EXPECT_EQ(cache.held, 350u);
}

TEST(PageCache, BuildsTheVisiblePagesFirstThenMoreAheadThanBehind) {
  EXPECT_EQ(PagesToBuild(5, 6, 4, 100), (std::vector<int32_t>{5, 6, 7, 4, 8, 3, 9, 10}));
  EXPECT_EQ(PagesToBuild(0, 0, 2, 2), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(PagesToBuild(9, 9, 4, 10), (std::vector<int32_t>{9, 8, 7}));
}

TEST(ReaderSettings, EachFullPathHasItsOwnGroup) {
  EXPECT_EQ(DocumentSettingsGroup("/home/a/b.kwen"), "documents/%2Fhome%2Fa%2Fb.kwen");
  // Paths that differ only where escapes or separators would be stay apart.
  EXPECT_NE(DocumentSettingsGroup("/a/b"), DocumentSettingsGroup("/a%2Fb"));
  EXPECT_NE(DocumentSettingsGroup("/a/b"), DocumentSettingsGroup("/a\\b"));
  for (ZoomMode mode : {ZoomMode::kFitWidth, ZoomMode::kFitPage, ZoomMode::kFixed}) {
    EXPECT_EQ(ZoomModeFromName(ZoomModeName(mode)), mode);
  }
  EXPECT_EQ(ZoomModeFromName("garbage"), ZoomMode::kFitWidth);
}

TEST(PageHistory, WalksBackAndForwardAndClampsToTheDocument) {
  PageHistory history;
  for (int32_t page : {0, 4, 9}) RecordPage(history, page);
  EXPECT_EQ(StepBack(history, 10), 4);
  EXPECT_EQ(StepBack(history, 10), 0);
  EXPECT_EQ(StepForward(history, 10), 4);
  EXPECT_EQ(StepForward(history, 10), 9);
  // A page beyond a shorter document stands for its last page.
  EXPECT_EQ(StepBack(history, 3) , 2);
  // The ring wraps after 100 entries.
  for (int32_t page = 0; page < kHistoryEntries; ++page) RecordPage(history, page);
  EXPECT_EQ(StepForward(history, 1000), 0);
}

}  // namespace
