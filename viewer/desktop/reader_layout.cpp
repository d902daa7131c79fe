#include "viewer/desktop/reader_layout.h"

#include <algorithm>
#include <cmath>

namespace {

// Two scales closer than this are one step: 0.67 x 3 should not count as
// past 2.0 for a rounding in the last digit.
constexpr double kStepTolerance = 1e-6;

}  // namespace

double NextZoomStep(double scale) {
  for (double step : kZoomSteps) {
    if (step > scale + kStepTolerance) return step;
  }
  return kLargestScale;
}

double PreviousZoomStep(double scale) {
  double previous = kSmallestScale;
  for (double step : kZoomSteps) {
    if (step >= scale - kStepTolerance) return previous;
    previous = step;
  }
  return previous;
}

int32_t ReferenceDotsPerInch(const std::vector<PageExtent>& pages) {
  for (const PageExtent& page : pages) {
    if (page.dotsPerInch > 0) return page.dotsPerInch;
  }
  return 0;
}

double PhysicalFactor(const PageExtent& page, int32_t referenceDpi) {
  if (page.dotsPerInch <= 0 || referenceDpi <= 0) return 1.0;
  return static_cast<double>(referenceDpi) / page.dotsPerInch;
}

double ScaleFor(const ZoomState& zoom, const std::vector<PageExtent>& pages, int32_t viewportWidth,
                int32_t viewportHeight) {
  if (zoom.mode == ZoomMode::kFixed || pages.empty()) {
    return std::clamp(zoom.fixedScale, kSmallestScale, kLargestScale);
  }
  const int32_t reference = ReferenceDotsPerInch(pages);
  double widest = 1.0;
  double tallest = 1.0;
  for (const PageExtent& page : pages) {
    const double factor = PhysicalFactor(page, reference);
    widest = std::max(widest, page.width * factor);
    tallest = std::max(tallest, page.height * factor);
  }
  const double roomWide = std::max(1, viewportWidth - 2 * kPageGap);
  const double roomHigh = std::max(1, viewportHeight - 2 * kPageGap);
  double scale = roomWide / widest;
  if (zoom.mode == ZoomMode::kFitPage) scale = std::min(scale, roomHigh / tallest);
  // A page still shows at all for a tiny window, and never beyond the steps.
  return std::clamp(scale, 1e-3, kLargestScale);
}

ContinuousLayout LayOutPages(const std::vector<PageExtent>& pages, double scale, int32_t viewportWidth) {
  ContinuousLayout layout;
  layout.scale = scale;
  const int32_t reference = ReferenceDotsPerInch(pages);
  int64_t y = kPageGap;
  int32_t widest = 0;
  for (const PageExtent& page : pages) {
    const double factor = scale * PhysicalFactor(page, reference);
    PagePlace place;
    place.width = std::max(1, static_cast<int32_t>(std::lround(page.width * factor)));
    place.height = std::max(1, static_cast<int32_t>(std::lround(page.height * factor)));
    place.y = static_cast<int32_t>(std::min<int64_t>(y, INT32_MAX));
    place.x = 0;
    widest = std::max(widest, place.width);
    layout.places.push_back(place);
    y += place.height + kPageGap;
  }
  const int32_t columnWidth = std::max(viewportWidth, widest + 2 * kPageGap);
  for (PagePlace& place : layout.places) place.x = (columnWidth - place.width) / 2;
  layout.totalHeight = y;
  return layout;
}

int32_t PageAtRow(const ContinuousLayout& layout, int64_t y) {
  const auto& places = layout.places;
  auto after = std::upper_bound(places.begin(), places.end(), y,
                                [](int64_t row, const PagePlace& place) { return row < place.y; });
  if (after == places.begin()) return 0;
  return static_cast<int32_t>(after - places.begin() - 1);
}

PageSpan PagesInBand(const ContinuousLayout& layout, int64_t top, int32_t height) {
  PageSpan span{0, -1};
  const int32_t count = static_cast<int32_t>(layout.places.size());
  if (count == 0 || height <= 0) return span;
  span.first = PageAtRow(layout, top);
  const PagePlace& first = layout.places[span.first];
  // The band may begin in the gap below a page: the next one is the first.
  if (int64_t{first.y} + first.height <= top && span.first + 1 < count) ++span.first;
  span.last = PageAtRow(layout, top + height - 1);
  if (span.last < span.first) span.last = span.first - 1;
  return span;
}

int64_t TopOfPage(const ContinuousLayout& layout, int32_t page) {
  if (page < 0 || page >= static_cast<int32_t>(layout.places.size())) return 0;
  return layout.places[page].y - kPageGap;
}

int64_t ClampViewTop(const ContinuousLayout& layout, int64_t top, int32_t viewportHeight) {
  const int64_t lowest = std::max<int64_t>(0, layout.totalHeight - viewportHeight);
  return std::clamp<int64_t>(top, 0, lowest);
}
