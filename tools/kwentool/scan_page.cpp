#include "tools/kwentool/scan_page.h"

#include <cmath>
#include <cstdio>

#include "tools/kwentool/page_encoder.h"

namespace {

constexpr double kMetresPerInch = 0.0254;

int32_t DotsPerInch(const PageImage& image) {
  return static_cast<int32_t>(std::lround(image.yPelsPerMetre * kMetresPerInch));
}

}  // namespace

ScanPageCounts WriteScanPage(const BuildOptions& options, DocumentWriter& document, const PageImage& image,
                             std::vector<uint8_t>& ink, ShapeClasses& classes) {
  ScanPageCounts counts;
  if (options.clean) counts.specks = RemoveSpecks(ink, image.width, image.height, DotsPerInch(image));
  if (options.lossy) {
    counts.lossy = WriteLossyBitonalPage(document, image, ink, classes);
  } else {
    WriteBitonalPage(document, image, ink);
  }
  return counts;
}

void ReportScanPage(const BuildOptions& options, const ScanPageCounts& counts, const ShapeClasses& classes) {
  if (options.clean) {
    std::printf("  clean: %lld specks removed (%lld pixels)\n", static_cast<long long>(counts.specks.specks),
                static_cast<long long>(counts.specks.pixels));
  }
  if (options.lossy) {
    const LossyPageCounts& lossy = counts.lossy;
    std::printf("  lossy: %lld shapes, %lld matches, %lld new classes (%zu in the document), %lld pixels changed\n",
                static_cast<long long>(lossy.shapes), static_cast<long long>(lossy.matches),
                static_cast<long long>(lossy.newClasses), classes.classes.size(),
                static_cast<long long>(lossy.changedPixels));
  }
}
