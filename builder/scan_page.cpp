#include "builder/scan_page.h"

#include <cstdio>

#include "builder/page_encoder.h"

ScanPageCounts WriteScanPage(const BuildSettings& settings, DocumentWriter& document, const PageImage& image,
                             std::vector<uint8_t>& ink, ShapeClasses& classes) {
  ScanPageCounts counts;
  if (settings.clean) counts.specks = RemoveSpecks(ink, image.width, image.height, DotsPerInch(image));
  if (settings.lossy) {
    counts.lossy = WriteLossyBitonalPage(document, image, ink, classes);
  } else {
    WriteBitonalPage(document, image, ink);
  }
  return counts;
}

void ReportScanPage(const BuildSettings& settings, const ScanPageCounts& counts, const ShapeClasses& classes) {
  if (settings.clean) {
    std::printf("  clean: %lld specks removed (%lld pixels)\n", static_cast<long long>(counts.specks.specks),
                static_cast<long long>(counts.specks.pixels));
  }
  if (settings.lossy) {
    const LossyPageCounts& lossy = counts.lossy;
    std::printf("  lossy: %lld shapes, %lld matches, %lld new classes (%zu in the document), %lld pixels changed\n",
                static_cast<long long>(lossy.shapes), static_cast<long long>(lossy.matches),
                static_cast<long long>(lossy.newClasses), classes.classes.size(),
                static_cast<long long>(lossy.changedPixels));
  }
}
