// The reader's logic without a window: layout, zoom, cache, settings names,
// the page history, stepping through search hits, text selection and the
// outline's tree.
#include <gtest/gtest.h>

#include "viewer/desktop/outline_tree.h"
#include "viewer/desktop/page_cache_policy.h"
#include "viewer/desktop/page_history.h"
#include "viewer/desktop/reader_layout.h"
#include "viewer/desktop/reader_settings.h"
#include "viewer/desktop/search_hits.h"
#include "viewer/desktop/text_selection.h"

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

kwen::TextHit HitOnPage(int32_t page) {
  kwen::TextHit hit;
  hit.page = page;
  return hit;
}

TEST(SearchHits, StartAtTheViewedPageAndStepRoundTheEnds) {
  const std::vector<kwen::TextHit> hits{HitOnPage(1), HitOnPage(1), HitOnPage(4), HitOnPage(7)};
  const struct {
    int32_t page;
    int32_t first;
  } starts[] = {{0, 0}, {1, 0}, {2, 2}, {4, 2}, {5, 3}, {7, 3}, {8, 0}};
  for (const auto& start : starts) EXPECT_EQ(FirstHitFrom(hits, start.page), start.first) << start.page;
  EXPECT_EQ(FirstHitFrom({}, 3), kNoHit);

  const struct {
    int32_t current;
    size_t count;
    bool forward;
    int32_t next;
  } steps[] = {{0, 4, true, 1}, {3, 4, true, 0},  {0, 4, false, 3}, {2, 4, false, 1},
               {kNoHit, 4, true, 0}, {kNoHit, 4, false, 3}, {9, 4, true, 0}, {0, 1, true, 0},
               {0, 0, true, kNoHit}, {kNoHit, 0, false, kNoHit}};
  for (const auto& step : steps) {
    EXPECT_EQ(StepHit(step.current, step.count, step.forward), step.next) << step.current << " of " << step.count;
  }

  const struct {
    int32_t page;
    size_t first, last;
  } pages[] = {{0, 0, 0}, {1, 0, 2}, {2, 2, 2}, {4, 2, 3}, {7, 3, 4}, {9, 4, 4}};
  for (const auto& page : pages) {
    EXPECT_EQ(HitsOnPage(hits, page.page), std::make_pair(page.first, page.last)) << page.page;
  }
}

kwen::TextLine Line(std::vector<kwen::Word> words) {
  kwen::TextLine line;
  line.words = std::move(words);
  return line;
}

// Page 1: two lines of words; page 2: an empty line, then a line in each of
// two columns; page 3 without words.
kwen::DocumentText SelectionText() {
  kwen::DocumentText text;
  text.pages.resize(3);
  text.pages[0].lines = {Line({{"Alpha", {100, 100, 160, 120}},
                               {"beta", {170, 100, 220, 120}},
                               {"gamma", {230, 100, 300, 120}}}),
                         Line({{"delta", {100, 130, 160, 150}}, {"epsilon", {170, 130, 260, 150}}})};
  text.pages[1].lines = {Line({}), Line({{"zeta", {50, 40, 90, 60}}, {"eta", {100, 40, 130, 60}}}),
                         Line({{"theta", {400, 40, 460, 60}}})};
  return text;
}

TEST(TextSelection, APointTakesTheNearestWordOfTheNearestLine) {
  const kwen::DocumentText text = SelectionText();
  const struct {
    int32_t page, x, y;
    std::optional<TextPoint> word;
  } cases[] = {
      {0, 180, 110, TextPoint{0, 0, 1}},   // on "beta"
      {0, 163, 110, TextPoint{0, 0, 0}},   // in the space, nearer "Alpha"
      {0, 168, 110, TextPoint{0, 0, 1}},   // in the space, nearer "beta"
      {0, 10, 140, TextPoint{0, 1, 0}},    // left of the second line
      {0, 900, 147, TextPoint{0, 1, 1}},   // far right of the second line
      {0, 240, 124, TextPoint{0, 0, 2}},   // between the lines, nearer the first
      {0, 240, 127, TextPoint{0, 1, 1}},   // between the lines, nearer the second
      {0, 200, 5000, TextPoint{0, 1, 1}},  // below everything
      {1, 0, 0, TextPoint{1, 1, 0}},       // the empty line is passed over
      {1, 300, 50, TextPoint{1, 2, 0}},    // beside both columns, nearer the right one
      {2, 100, 100, std::nullopt},         // a page without words
      {7, 100, 100, std::nullopt},         // past the text's pages
      {-1, 100, 100, std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<TextPoint> found = WordNearest(text, c.page, c.x, c.y);
    const auto place = [](const std::optional<TextPoint>& word) {
      return word ? std::vector<int32_t>{word->page, word->line, word->word} : std::vector<int32_t>{};
    };
    EXPECT_EQ(place(found), place(c.word)) << "page " << c.page << " at " << c.x << "," << c.y;
  }
}

TEST(TextSelection, TheWordsBetweenTwoPlacesInReadingOrder) {
  const kwen::DocumentText text = SelectionText();
  const struct {
    TextPoint from, to;
    const char* copied;
    std::vector<kwen::Box> firstPage, secondPage;
  } cases[] = {
      {{0, 0, 1}, {0, 0, 1}, "beta", {{170, 100, 220, 120}}, {}},
      {{0, 0, 1}, {0, 1, 0}, "beta gamma\ndelta", {{170, 100, 300, 120}, {100, 130, 160, 150}}, {}},
      // Dragged backwards: the same words.
      {{0, 1, 0}, {0, 0, 1}, "beta gamma\ndelta", {{170, 100, 300, 120}, {100, 130, 160, 150}}, {}},
      {{0, 1, 1}, {1, 1, 0}, "epsilon\nzeta", {{170, 130, 260, 150}}, {{50, 40, 90, 60}}},
      {{1, 1, 1}, {0, 0, 0}, "Alpha beta gamma\ndelta epsilon\nzeta eta",
       {{100, 100, 300, 120}, {100, 130, 260, 150}}, {{50, 40, 130, 60}}},
  };
  for (const auto& c : cases) {
    const TextRange range = RangeBetween(c.from, c.to);
    EXPECT_EQ(RangeText(text, range), c.copied);
    EXPECT_EQ(RangeBoxes(text, range, 0), c.firstPage) << c.copied;
    EXPECT_EQ(RangeBoxes(text, range, 1), c.secondPage) << c.copied;
    EXPECT_EQ(RangeBoxes(text, range, 2), std::vector<kwen::Box>{}) << c.copied;
  }
  // A page's words, all of them; a page without words has none.
  const std::optional<TextRange> second = WholePage(text, 1);
  ASSERT_TRUE(second);
  EXPECT_EQ(RangeText(text, *second), "zeta eta\ntheta");
  EXPECT_FALSE(WholePage(text, 2));
  EXPECT_FALSE(WholePage(text, 3));
  // A range reaching past the text stops at its end.
  EXPECT_EQ(RangeText(text, {{1, 1, 1}, {9, 0, 0}}), "eta\ntheta");
}

TEST(OutlineTree, EachEntryHangsUnderTheNearestEntryOfALowerLevelBeforeIt) {
  std::vector<kwen::OutlineItem> outline;
  for (int32_t level : {0, 1, 2, 1, 0, 2, 0, 0}) outline.push_back({"entry", 0, level});
  EXPECT_EQ(OutlineParents(outline),
            (std::vector<int32_t>{kOutlineTop, 0, 1, 0, kOutlineTop, 4, kOutlineTop, kOutlineTop}));
  EXPECT_EQ(OutlineParents({}), std::vector<int32_t>{});
}

}  // namespace
