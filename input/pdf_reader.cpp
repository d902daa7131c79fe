#include "input/pdf_reader.h"

#include <cmath>
#include <cstdio>
#include <memory>

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include "input/child_drawing.h"

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kMetresPerInch = 0.0254;
constexpr char kEndMark[] = "%%EOF";
// A whole file ends with its end-of-file mark, give or take trailing bytes
// that some writers add.
constexpr size_t kEndMarkReach = 1024;
constexpr poppler::argb kWhitePaper = 0xFFFFFFFF;

// The library's complaints, for the file being read.
std::string gComplaint;
bool gComplained = false;

void Complain(const std::string& message, void*) {
  if (gComplained) return;
  gComplaint = message;
  gComplained = true;
}

bool HasEndMark(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  std::string tail(kEndMarkReach, '\0');
  if (std::fseek(file, -static_cast<long>(kEndMarkReach), SEEK_END) != 0) std::rewind(file);
  tail.resize(std::fread(&tail[0], 1, tail.size(), file));
  std::fclose(file);
  return tail.find(kEndMark) != std::string::npos;
}

}  // namespace

struct PdfFile {
  std::unique_ptr<poppler::document> document;
  std::unique_ptr<DrawingChild> drawing;  // from the first page drawn
};

namespace {

// Runs in the drawing child, which keeps the last page's pixels until the
// next page.
PageDrawer DrawerOf(poppler::document* document) {
  return [document, rendered = poppler::image()](int32_t page, int32_t dotsPerInch, DrawnRows& drawn,
                                                 std::string& error) mutable {
    rendered = poppler::image();
    std::unique_ptr<poppler::page> source(document->create_page(page));
    if (!source) {
      error = "cannot be read";
      return false;
    }
    poppler::page_renderer renderer;
    renderer.set_render_hints(poppler::page_renderer::antialiasing | poppler::page_renderer::text_antialiasing);
    renderer.set_paper_color(kWhitePaper);
    renderer.set_image_format(poppler::image::format_rgb24);
    gComplained = false;
    rendered = renderer.render_page(source.get(), dotsPerInch, dotsPerInch);
    if (gComplained || !rendered.is_valid()) {
      error = "is damaged (" + (gComplained ? gComplaint : std::string("it cannot be drawn")) + ")";
      return false;
    }
    drawn = DrawnRows{rendered.width(), rendered.height(), reinterpret_cast<const uint8_t*>(rendered.const_data()),
                      static_cast<size_t>(rendered.bytes_per_row())};
    return true;
  };
}

}  // namespace

PdfFile* OpenPdf(const char* path, std::string& error) {
  poppler::set_debug_error_function(Complain, nullptr);
  gComplained = false;
  if (!HasEndMark(path)) {
    error = "is not a whole PDF file (it does not end with %%EOF: cut short?)";
    return nullptr;
  }
  std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path));
  if (!document) {
    error = "is not a readable PDF file" + (gComplained ? " (" + gComplaint + ")" : std::string());
    return nullptr;
  }
  if (document->is_locked()) {
    error = "is locked with a password";
    return nullptr;
  }
  if (document->pages() < 1) {
    error = "has no pages";
    return nullptr;
  }
  return new PdfFile{std::move(document), nullptr};
}

void ClosePdf(PdfFile* file) { delete file; }

int32_t PdfPageCount(PdfFile* file) { return file->document->pages(); }

bool ReadPdfPage(PdfFile* file, int32_t page, int32_t dotsPerInch, int64_t largestPixels, const DrawingLimits& limits,
                 PageImage& image, std::string& error) {
  std::unique_ptr<poppler::page> source(file->document->create_page(page));
  if (!source) {
    error = "cannot be read";
    return false;
  }
  const poppler::rectf box = source->page_rect();
  const double scale = dotsPerInch / kPointsPerInch;
  // One pixel more each way than the renderer's rounding can give.
  if (!AcceptPageSize(static_cast<int64_t>(std::ceil(std::fabs(box.width()) * scale)) + 1,
                      static_cast<int64_t>(std::ceil(std::fabs(box.height()) * scale)) + 1, largestPixels, error)) {
    error = "rendered at " + std::to_string(dotsPerInch) + " dpi " + error;
    return false;
  }
  if (!file->drawing) file->drawing = std::make_unique<DrawingChild>(DrawerOf(file->document.get()));
  if (!file->drawing->Draw(page, dotsPerInch, limits, largestPixels, image, error)) return false;
  image.xPelsPerMetre = image.yPelsPerMetre = static_cast<int32_t>(std::lround(dotsPerInch / kMetresPerInch));
  return true;
}
