#include "input/pdf_reader.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include "input/child_drawing.h"
#include "input/page_lines.h"
#include "input/pdf_outline.h"
#include "input/pdf_words.h"
#include "input/text_cleaning.h"
#include "input/text_wire.h"

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr char kEndMark[] = "%%EOF";
// A whole file ends with its end-of-file mark, give or take trailing bytes
// that some writers add.
constexpr size_t kEndMarkReach = 1024;
constexpr poppler::argb kWhitePaper = 0xFFFFFFFF;
// Pages of text and vector art drawn without antialiasing, so that black text
// on white is black and white only and each glyph comes out the same pixels
// wherever it stands; nor with hinting, which shifts stems off the shapes the
// antialiased page shows. Thin lines still draw a pixel wide, and images
// keep their tones.
constexpr unsigned kRenderHints = 0;

// The library's first complaint since the last reset.
struct Complaints {
  std::string first;
  bool made = false;
};

// The library's complaints go to one function for the whole process, with a
// pointer to the file's complaints, or null where no one listens.
void Complain(const std::string& message, void* closure) {
  Complaints* complaints = static_cast<Complaints*>(closure);
  if (complaints == nullptr || complaints->made) return;
  complaints->first = message;
  complaints->made = true;
}

// This thread's turn at the library, its complaints going to `complaints`
// meanwhile (see ChildStartLock).
class LibraryTurn {
 public:
  explicit LibraryTurn(Complaints* complaints) : held_(ChildStartLock()) {
    poppler::set_debug_error_function(Complain, complaints);
  }
  LibraryTurn(const LibraryTurn&) = delete;
  LibraryTurn& operator=(const LibraryTurn&) = delete;
  ~LibraryTurn() { poppler::set_debug_error_function(Complain, nullptr); }

 private:
  std::lock_guard<std::mutex> held_;
};

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
  std::string path;
  std::unique_ptr<poppler::document> document;
  std::unique_ptr<DrawingChild> drawing;  // from the first page drawn or question asked
  Complaints complaints;                  // of the page being drawn, in the child
};

namespace {

size_t WordsOn(const kwen::PageText& page) {
  size_t words = 0;
  for (const kwen::TextLine& line : page.lines) words += line.words.size();
  return words;
}

// Runs in the drawing child, which keeps the last page's pixels until the
// next page. The child has the library to itself, and no lock to take.
PageDrawer DrawerOf(PdfFile* file) {
  return [file, rendered = poppler::image()](int32_t page, int32_t dotsPerInch, DrawnRows& drawn, std::string& words,
                                             std::string& error) mutable {
    rendered = poppler::image();
    file->complaints = Complaints();
    poppler::set_debug_error_function(Complain, &file->complaints);
    std::unique_ptr<poppler::page> source(file->document->create_page(page));
    if (!source) {
      error = "cannot be read";
      return false;
    }
    poppler::page_renderer renderer;
    renderer.set_render_hints(kRenderHints);
    renderer.set_paper_color(kWhitePaper);
    renderer.set_image_format(poppler::image::format_rgb24);
    rendered = renderer.render_page(source.get(), dotsPerInch, dotsPerInch);
    const Complaints& complaints = file->complaints;
    if (complaints.made || !rendered.is_valid()) {
      error = "is damaged (" + (complaints.made ? complaints.first : std::string("it cannot be drawn")) + ")";
      return false;
    }
    drawn = DrawnRows{rendered.width(), rendered.height(), reinterpret_cast<const uint8_t*>(rendered.const_data()),
                      static_cast<size_t>(rendered.bytes_per_row())};
    // A page of more text than a page keeps keeps its pixels.
    std::string tooMuch;
    if (!PageWordBytes(*source, dotsPerInch, words, tooMuch)) words = DroppedWordsBytes(tooMuch);
    return true;
  };
}

// Runs in the drawing child too: the file's title and outline.
FileQuestion TitleAndOutlineOf(PdfFile* file) {
  return [file](std::string& answer, std::string& error) {
    const int32_t pageCount = file->document->pages();
    std::vector<kwen::OutlineItem> outline;
    if (!ReadPdfOutline(file->path.c_str(), pageCount, outline, error)) return false;
    const poppler::byte_array title = file->document->get_title().to_utf8();
    answer = EncodeTitleAndOutline(CleanTitle(std::string(title.begin(), title.end()), kLongestTitleBytes), outline);
    return true;
  };
}

DrawingChild& ChildOf(PdfFile* file) {
  if (!file->drawing) file->drawing = std::make_unique<DrawingChild>(DrawerOf(file), TitleAndOutlineOf(file));
  return *file->drawing;
}

// The page's box in points; false when the page cannot be read.
bool PageBox(PdfFile* file, int32_t page, poppler::rectf& box) {
  const LibraryTurn turn(nullptr);
  std::unique_ptr<poppler::page> source(file->document->create_page(page));
  if (source) box = source->page_rect();
  return source != nullptr;
}

}  // namespace

PdfFile* OpenPdf(const char* path, std::string& error) {
  if (!HasEndMark(path)) {
    error = "is not a whole PDF file (it does not end with %%EOF: cut short?)";
    return nullptr;
  }
  Complaints complaints;
  const LibraryTurn turn(&complaints);
  std::unique_ptr<poppler::document> document(poppler::document::load_from_file(path));
  if (!document) {
    error = "is not a readable PDF file" + (complaints.made ? " (" + complaints.first + ")" : std::string());
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
  return new PdfFile{path, std::move(document), nullptr, Complaints()};
}

void ClosePdf(PdfFile* file) {
  const LibraryTurn turn(nullptr);
  delete file;
}

int32_t PdfPageCount(PdfFile* file) {
  const LibraryTurn turn(nullptr);
  return file->document->pages();
}

bool ReadPdfPage(PdfFile* file, int32_t page, int32_t dotsPerInch, int64_t largestPixels, const DrawingLimits& limits,
                 PageImage& image, std::string& error) {
  poppler::rectf box;
  if (!PageBox(file, page, box)) {
    error = "cannot be read";
    return false;
  }
  const double scale = dotsPerInch / kPointsPerInch;
  // One pixel more each way than the renderer's rounding can give.
  if (!AcceptPageSize(static_cast<int64_t>(std::ceil(std::fabs(box.width()) * scale)) + 1,
                      static_cast<int64_t>(std::ceil(std::fabs(box.height()) * scale)) + 1, largestPixels, error)) {
    error = "rendered at " + std::to_string(dotsPerInch) + " dpi " + error;
    return false;
  }
  std::string words;
  if (!ChildOf(file).Draw(page, dotsPerInch, limits, largestPixels, image, words, error)) return false;
  std::vector<PlacedWord> placed;
  if (!DecodeWords(words, placed, image.textDropped)) {
    image = PageImage{};
    error = "is damaged (its text cannot be read)";
    return false;
  }
  image.text = LayOutWords(placed, image.width, image.height);
  // Words cut apart at their spaces may pass the bound the file kept to.
  if (WordsOn(image.text) > kLargestPageWords) {
    image.text = kwen::PageText();
    image.textDropped = "holds more than " + std::to_string(kLargestPageWords) + " words, more text than a page can keep";
  }
  image.xPelsPerMetre = image.yPelsPerMetre = PelsPerMetre(dotsPerInch);
  return true;
}

bool ReadPdfTitleAndOutline(PdfFile* file, const DrawingLimits& limits, std::string& title,
                            std::vector<kwen::OutlineItem>& outline, std::string& error) {
  title.clear();
  outline.clear();
  std::string answer;
  if (!ChildOf(file).Ask(limits, answer, error)) return false;
  if (!DecodeTitleAndOutline(answer, PdfPageCount(file), title, outline)) {
    title.clear();
    outline.clear();
    error = "is damaged (its outline cannot be read)";
    return false;
  }
  // The child is trusted no further than the bounds it was checked against.
  title = CleanTitle(title, kLongestTitleBytes);
  for (kwen::OutlineItem& item : outline) item.title = CleanTitle(item.title, kLongestTitleBytes);
  return true;
}
