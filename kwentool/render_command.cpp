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
#include "render/export_layout.h"

namespace {

constexpr int kRenderFailed = 1;

PnmKind PnmKindOf(ImageFormat format) {
  if (format == ImageFormat::kPbm) return PnmKind::kBitmap;
  return format == ImageFormat::kPgm ? PnmKind::kGreymap : PnmKind::kPixmap;
}

// The built page in the file format, as parts to write: a BMP as the viewer
// exports it, straight from the page's bitmap; any other format encoded
// into `bytes`.
bool EncodePage(const PageState& page, ImageFormat format, std::vector<uint8_t>& bytes, std::vector<OutputPart>& parts, std::string& error) {
  parts.clear();
  if (format == ImageFormat::kBmp) {
    ExportPart exportParts[kExportParts];
    GetExportParts(page, exportParts);
    for (const ExportPart& part : exportParts) parts.push_back(OutputPart{part.data, part.size});
    return true;
  }
  PagePixels pixels;
  PageTones tones;
  if (!OpenPagePixels(page, pixels, error) || !ClassifyPage(pixels, tones, error)) return false;
  const bool encoded = format == ImageFormat::kPng ? EncodePng(pixels, tones, bytes, error)
                                                   : EncodePnm(pixels, tones, PnmKindOf(format), bytes, error);
  parts.push_back(OutputPart{bytes.data(), bytes.size()});
  return encoded;
}

int RenderPage(const char* docPath, OpenedDocument& document, int32_t page, ImageFormat format,
               const std::string& outPath) {
  BuildToolPage(docPath, document, page - 1);
  std::vector<uint8_t> bytes;
  std::vector<OutputPart> parts;
  std::string error;
  if (!EncodePage(document.page, format, bytes, parts, error)) {
    std::fprintf(stderr, "kwentool: page %d: %s\n", page, error.c_str());
    return kRenderFailed;
  }
  if (WriteWholeFile(outPath, parts, error)) return 0;
  std::fprintf(stderr, "kwentool: Error creating Export File %s (%s)\n", outPath.c_str(), error.c_str());
  return kRenderFailed;
}

}  // namespace

int RenderPages(const char* docPath, const PageList& list, const OutputPattern& pattern, ImageFormat format) {
  OpenedDocument document;
  OpenToolDocument(docPath, document);
  std::vector<int32_t> pages;
  std::string error;
  if (!ExpandPageList(list, document.table.pageCount, pages, error)) {
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
    const int status = RenderPage(docPath, document, pages[i], format, outPaths[i]);
    if (status != 0) return status;
  }
  if (count > 1) EndPageProgress(progress);
  return 0;
}
