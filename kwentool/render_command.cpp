#include "kwentool/render_command.h"

#include <cstdio>
#include <string>
#include <vector>

#include "kwentool/open_document.h"
#include "kwentool/output_check.h"
#include "engine/output_file.h"
#include "render/page_pixels.h"
#include "kwentool/page_progress.h"
#include "render/png_writer.h"
#include "render/pnm_writer.h"

namespace {

constexpr int kRenderFailed = 1;

PnmKind PnmKindOf(ImageFormat format) {
  if (format == ImageFormat::kPbm) return PnmKind::kBitmap;
  return format == ImageFormat::kPgm ? PnmKind::kGreymap : PnmKind::kPixmap;
}

// Page `index` in the file format: a BMP as the viewer exports it, any
// other format encoded from the page built at full size.
bool EncodePage(const kwen::Document& document, int32_t index, ImageFormat format, std::vector<uint8_t>& bytes,
                std::string& error) {
  if (format == ImageFormat::kBmp) {
    bytes = document.PageAsBmp(index);
    return true;
  }
  const kwen::Bitmap page = document.BuildPage(index);
  std::vector<RgbQuad> table;
  PagePixels pixels;
  PageTones tones;
  if (!OpenBitmapPixels(page, table, pixels, error) || !ClassifyPage(pixels, tones, error)) return false;
  return format == ImageFormat::kPng ? EncodePng(pixels, tones, bytes, error)
                                     : EncodePnm(pixels, tones, PnmKindOf(format), bytes, error);
}

int RenderPage(const kwen::Document& document, int32_t page, ImageFormat format, const std::string& outPath) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!EncodePage(document, page - 1, format, bytes, error)) {
    std::fprintf(stderr, "kwentool: page %d: %s\n", page, error.c_str());
    return kRenderFailed;
  }
  if (WriteWholeFile(outPath, bytes, error)) return 0;
  std::fprintf(stderr, "kwentool: Error creating Export File %s (%s)\n", outPath.c_str(), error.c_str());
  return kRenderFailed;
}

}  // namespace

int RenderPages(const char* docPath, const PageList& list, const OutputPattern& pattern, ImageFormat format) {
  const kwen::Document document = OpenToolDocument(docPath);
  std::vector<int32_t> pages;
  std::string error;
  if (!ExpandPageList(list, document.PageCount(), pages, error)) {
    std::fprintf(stderr, "kwentool: %s %s\n", docPath, error.c_str());
    return kRenderFailed;
  }
  std::vector<std::string> outPaths;
  for (int32_t page : pages) outPaths.push_back(OutputName(pattern, page));
  for (const std::string& outPath : outPaths) {
    if (IsOutputTheDocument(docPath, outPath)) return kRenderFailed;
  }
  const int32_t count = static_cast<int32_t>(pages.size());
  const PageProgress progress = StartPageProgress(count);
  for (int32_t i = 0; i < count; ++i) {
    if (count > 1) ShowPageProgress(progress, i + 1);
    const int status = RenderPage(document, pages[i], format, outPaths[i]);
    if (status != 0) return status;
  }
  if (count > 1) EndPageProgress(progress);
  return 0;
}
