// Where the pages of a document lie in the reader's view: one column of
// pages, top to bottom, at one physical scale, in device pixels.
#pragma once

#include <cstdint>
#include <vector>

// A page as the layout sees it: its pixels and its resolution (0 when the
// page does not say, taken then as the document's reference resolution).
struct PageExtent {
  int32_t width;
  int32_t height;
  int32_t dotsPerInch;
};

enum class ZoomMode { kFitWidth, kFitPage, kFixed };

struct ZoomState {
  ZoomMode mode = ZoomMode::kFitWidth;
  double fixedScale = 1.0;  // device pixels per reference page pixel, in kFixed
};

// The zoom steps, as scales: 25% to 800%.
constexpr double kZoomSteps[] = {0.25, 0.33, 0.5, 0.67, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0};
constexpr double kSmallestScale = kZoomSteps[0];
constexpr double kLargestScale = kZoomSteps[sizeof kZoomSteps / sizeof kZoomSteps[0] - 1];

// The step after (or before) `scale`: the first step strictly larger (or
// smaller); the scale itself at the end of the steps.
double NextZoomStep(double scale);
double PreviousZoomStep(double scale);

// The resolution the document's scale is counted in: the first page's that
// says one, 0 when none does.
int32_t ReferenceDotsPerInch(const std::vector<PageExtent>& pages);

// The factor that brings `page` to the reference resolution.
double PhysicalFactor(const PageExtent& page, int32_t referenceDpi);

constexpr int32_t kPageGap = 8;  // device pixels around and between pages

// The scale the zoom gives for a viewport of this many device pixels: fit
// width makes the widest page fill the width, fit page makes the largest
// page fit whole; a fixed scale is kept within 25% to 800%.
double ScaleFor(const ZoomState& zoom, const std::vector<PageExtent>& pages, int32_t viewportWidth,
                int32_t viewportHeight);

struct PagePlace {
  int32_t x, y, width, height;  // device pixels
};

struct ContinuousLayout {
  double scale = 1.0;
  std::vector<PagePlace> places;
  int64_t totalHeight = 0;  // from the first page's top gap to the last's bottom gap
};

// Lays out every page in a column centred in the viewport's width.
ContinuousLayout LayOutPages(const std::vector<PageExtent>& pages, double scale, int32_t viewportWidth);

// The page shown at the view's row `y` (from the layout's top): the last page
// whose top is at or above it; 0 for an empty layout.
int32_t PageAtRow(const ContinuousLayout& layout, int64_t y);

// The pages that meet the band of rows [top, top + height).
struct PageSpan {
  int32_t first;
  int32_t last;  // first - 1 when none
};
PageSpan PagesInBand(const ContinuousLayout& layout, int64_t top, int32_t height);

// The view top that shows page `page` from its top gap.
int64_t TopOfPage(const ContinuousLayout& layout, int32_t page);

// Keeps a view top within [0, totalHeight - viewport height].
int64_t ClampViewTop(const ContinuousLayout& layout, int64_t top, int32_t viewportHeight);
