#include "kwentool/build_command.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "builder/document_writer.h"
#include "input/input_pages.h"
#include "engine/output_file.h"
#include "kwentool/page_progress.h"
#include "engine/platform_io.h"
#include "builder/page_check.h"
#include "builder/page_encoder.h"
#include "builder/document_packing.h"
#include "builder/scan_page.h"
#include "builder/spot_finder.h"
#include "builder/threshold.h"
#include "engine/memory_pack.h"
#include "document/document_state.h"

namespace {

constexpr int kBuildFailed = 1;
constexpr double kMetresPerInch = 0.0254;

int32_t PelsPerMetre(int32_t dotsPerInch) { return static_cast<int32_t>(std::lround(dotsPerInch / kMetresPerInch)); }

[[noreturn]] void FailBuild(const std::string& text) {
  std::fprintf(stderr, "kwentool: %s\n", text.c_str());
  std::exit(kBuildFailed);
}

void ReportPage(int32_t index, const std::string& path, const PageImage& image, uint16_t bits,
                const SpotCounts& before, const SpotCounts& after, const PageComparison& comparison) {
  std::printf("page %d (%s): %d x %d, %s, %lld spots, %lld references, %lld pictures, ", index + 1, path.c_str(),
              image.width, image.height, bits == 1 ? "bitonal" : bits == 8 ? "8-bit grey" : "24-bit", static_cast<long long>(after.spots - before.spots),
              static_cast<long long>(after.references - before.references),
              static_cast<long long>(after.rawPictures + after.compactPictures - before.rawPictures -
                                     before.compactPictures));
  if (comparison.differentPixels == 0) {
    std::printf("restored exactly\n");
  } else {
    std::printf("PSNR %.2f dB\n", comparison.psnr);
  }
}

void ReportDocument(const BuildOptions& options, const DocumentWriter& document, size_t packedSize) {
  const SpotCounts& counts = document.counts;
  std::printf("%s: %d pages\n", options.output.c_str(), document.pagesDone);
  std::printf("  spots       %lld (%lld inline masks, %lld references)\n", static_cast<long long>(counts.spots),
              static_cast<long long>(counts.inlineMasks), static_cast<long long>(counts.references));
  std::printf("  pictures    %lld (%lld compact-coded)\n",
              static_cast<long long>(counts.rawPictures + counts.compactPictures),
              static_cast<long long>(counts.compactPictures));
  std::printf("  unpacked    %zu bytes\n", document.bytes.size());
  std::printf("  packed      %zu bytes\n", packedSize);
}

// Whether every pixel has the first one's colour: the bytes compared with
// themselves a pixel on, at the speed of a memory comparison. Such a page
// (a blank one above all) needs no pass over its pixels to be stored.
bool IsUniform(const PageImage& image) {
  constexpr size_t kPixelBytes = 3;
  const std::vector<uint8_t>& rgb = image.rgb;
  return rgb.size() <= kPixelBytes || std::memcmp(rgb.data(), rgb.data() + kPixelBytes, rgb.size() - kPixelBytes) == 0;
}

bool IsBlackOrWhite(const uint8_t* rgb) { return (rgb[0] == 0 || rgb[0] == 255) && rgb[1] == rgb[0] && rgb[2] == rgb[0]; }

// The page's ink at the threshold of the options or of its histogram; a
// uniform page has one level, which Otsu's threshold leaves at the fallback.
std::vector<uint8_t> PageInk(const BuildOptions& options, const PageImage& image, bool uniform) {
  if (uniform) {
    const int32_t threshold = options.threshold > 0 ? options.threshold : kDefaultThreshold;
    return std::vector<uint8_t>(image.rgb.size() / 3, Brightness(image.rgb.data()) < threshold ? 1 : 0);
  }
  const int32_t threshold = options.threshold > 0 ? options.threshold
                                                  : OtsuThreshold(BrightnessHistogram(image), kDefaultThreshold);
  return InkMap(image, threshold);
}

// Writes page `index`, checks it by building it back, and reports it.
void BuildPage(const BuildOptions& options, DocumentWriter& document, ShapeClasses& classes, int32_t index,
               const std::string& path, PageImage& image) {
  if (image.xPelsPerMetre <= 0 || image.yPelsPerMetre <= 0) {
    image.xPelsPerMetre = image.yPelsPerMetre = PelsPerMetre(options.dotsPerInch);
  }
  const SpotCounts before = document.counts;
  const bool uniform = IsUniform(image);
  const bool bitonal = options.bitonal || (uniform ? IsBlackOrWhite(image.rgb.data()) : IsBlackAndWhite(image));
  std::vector<uint8_t> ink;
  uint16_t bits = 1;
  ScanPageCounts scan;
  if (bitonal) {
    ink = PageInk(options, image, uniform);
    if (uniform || SpotsWithinBudget(ink, image.width, image.height)) {  // one group at most
      scan = WriteScanPage(options, document, image, ink, classes);
    } else if (HasBitonalPicture(image)) {
      WriteBitonalPicturePage(document, image, ink);
    } else {
      FailBuild("page " + std::to_string(index + 1) + " (" + path + ") has more spots of ink than one for every " +
                std::to_string(kPixelsPerSpot) + " pixels, and is too thin to be stored as a picture");
    }
  } else {
    bits = WriteColourPage(document, image, options.quality, options.switches);
  }
  if (!EndPage(document)) FailBuild("the unpacked document would reach 2 GiB at page " + std::to_string(index + 1));
  const PageComparison comparison = CompareBuiltPage(document, index, image, bitonal ? &ink : nullptr);
  const bool lossless = bitonal || options.quality == 0;
  if (lossless && comparison.differentPixels != 0) {
    FailBuild("internal error: page " + std::to_string(index + 1) + " does not build back to its pixels");
  }
  if (options.verbose) ReportPage(index, path, image, bits, before, document.counts, comparison);
  if (options.verbose && bitonal) ReportScanPage(options, scan, classes);
}

}  // namespace

int RunBuild(const BuildOptions& options) {
  std::vector<InputFile> inputs;
  std::string error;
  if (!ResolveInputs(options.pages, inputs, error)) FailBuild(error);
  size_t pageCount = 0;
  for (const InputFile& input : inputs) {
    if (IsSameFile(options.output.c_str(), input.path.c_str())) {
      FailBuild(options.output + " is one of the page images: it would be replaced");
    }
    pageCount += input.pages.size();
  }
  if (pageCount > static_cast<size_t>(kMaxPages)) {
    FailBuild("the inputs hold " + std::to_string(pageCount) + " pages; a document holds at most " +
              std::to_string(kMaxPages));
  }
  const int32_t pages = static_cast<int32_t>(pageCount);
  const PageProgress progress = StartPageProgress(pages);
  DocumentWriter document;
  BeginDocument(document, pages);
  ShapeClasses classes;
  int32_t index = 0;
  for (const InputFile& input : inputs) {
    InputReader reader;
    if (!OpenInputReader(input, reader, error)) FailBuild(input.path + " " + error);
    for (int32_t page : input.pages) {
      ShowPageProgress(progress, index + 1);
      PageImage image;
      if (!ReadInputPage(reader, page, options.dotsPerInch, options.pdfLimits, image, error)) {
        FailBuild(input.path + " " + error);
      }
      const bool wholeFile = input.kind == InputKind::kImage;
      BuildPage(options, document, classes, index, wholeFile ? input.path : input.path + ":" + std::to_string(page),
                image);
      ++index;
    }
    CloseInputReader(reader);
  }
  EndPageProgress(progress);
  const std::vector<uint8_t> packed = options.packBest
                                          ? PackBestChecked(document.bytes, options.switches)
                                          : PackBytes(document.bytes.data(), document.bytes.size(), options.switches);
  if (!WriteWholeFile(options.output, packed, error)) FailBuild(error);
  ReportDocument(options, document, packed.size());
  return 0;
}
