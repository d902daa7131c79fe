#include "input/input_pages.h"

#include <sys/stat.h>

#include <cstdio>

#if KWEN_HAVE_PAGE_FILES
#include "input/page_file_readers.h"
#endif

#if KWEN_HAVE_PAGE_FILES
const char kInputFormats[] = "BMP, PNG, PBM, PGM, PPM, JPEG, TIFF or PDF";
#else
const char kInputFormats[] = "BMP, PNG, PBM, PGM, PPM or JPEG (this build reads no TIFF or PDF)";
#endif

namespace {

constexpr char kRangeMark = ':';
constexpr char kPageCharacters[] = "0123456789,-";
constexpr char kAllPages[] = "all";
// The PDF header may follow a little junk; TIFF's is at the start.
constexpr size_t kHeaderReach = 1024;

bool IsFile(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

bool LooksLikePages(const std::string& text) {
  return text == kAllPages || (!text.empty() && text.find_first_not_of(kPageCharacters) == std::string::npos);
}

bool IsTiffHeader(const std::string& head) {
  static const char* const kHeaders[] = {"II*\0", "MM\0*", "II+\0", "MM\0+"};  // classic and big
  for (const char* header : kHeaders) {
    if (head.compare(0, 4, header, 4) == 0) return true;
  }
  return false;
}

// TIFF and PDF are told by their headers; everything else is left to the
// image reader, which names what it does not know.
bool KindOfFile(const std::string& path, InputKind& kind, std::string& error) {
  error.clear();
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = "cannot be opened";
    return false;
  }
  std::string head(kHeaderReach, '\0');
  head.resize(std::fread(&head[0], 1, head.size(), file));
  std::fclose(file);
  kind = InputKind::kImage;
  if (IsTiffHeader(head)) kind = InputKind::kTiff;
  if (kind != InputKind::kTiff && head.find("%PDF-") != std::string::npos) kind = InputKind::kPdf;
#if !KWEN_HAVE_PAGE_FILES
  if (kind == InputKind::kTiff) error = "is a TIFF file, which this build does not read";
  if (kind == InputKind::kPdf) error = "is a PDF file, which this build does not read";
#endif
  return error.empty();
}

std::string PageText(int32_t page) { return "page " + std::to_string(page) + " "; }

}  // namespace

bool SplitPageArgument(const std::string& argument, std::string& path, PageList& pages, std::string& error) {
  path = argument;
  pages = PageList();
  pages.all = true;
  const size_t mark = argument.rfind(kRangeMark);
  if (IsFile(argument) || mark == std::string::npos || !LooksLikePages(argument.substr(mark + 1))) return true;
  path = argument.substr(0, mark);
  if (!ParsePageList(argument.substr(mark + 1), pages, error)) {
    error = argument + ": " + error;
    return false;
  }
  return true;
}

bool OpenInputReader(const InputFile& input, InputReader& reader, [[maybe_unused]] std::string& error) {
  reader = InputReader();
  reader.input = &input;
#if KWEN_HAVE_PAGE_FILES
  if (input.kind == InputKind::kImage) return true;
  reader.readers = LoadPageFileReaders(error);
  if (reader.readers == nullptr) return false;
  if (input.kind == InputKind::kTiff) reader.tiff = reader.readers->openTiff(input.path.c_str(), error);
  if (input.kind == InputKind::kPdf) reader.pdf = reader.readers->openPdf(input.path.c_str(), error);
  return reader.tiff != nullptr || reader.pdf != nullptr;
#else
  return true;
#endif
}

void CloseInputReader(InputReader& reader) {
#if KWEN_HAVE_PAGE_FILES
  if (reader.tiff != nullptr) reader.readers->closeTiff(reader.tiff);
  if (reader.pdf != nullptr) reader.readers->closePdf(reader.pdf);
#endif
  reader = InputReader();
}

namespace {

// The pages the reader's file holds.
int32_t PageCountOf(const InputReader& reader) {
#if KWEN_HAVE_PAGE_FILES
  if (reader.tiff != nullptr) return reader.readers->tiffPageCount(reader.tiff);
  if (reader.pdf != nullptr) return reader.readers->pdfPageCount(reader.pdf);
#endif
  return reader.input != nullptr ? 1 : 0;
}

}  // namespace

bool ReadInputPage(InputReader& reader, int32_t page, [[maybe_unused]] int32_t dotsPerInch,
                   [[maybe_unused]] const DrawingLimits& limits, PageImage& image, std::string& error) {
  bool read = false;
  switch (reader.input->kind) {
    case InputKind::kImage:
      return ReadPageImage(reader.input->path.c_str(), image, error);
    case InputKind::kTiff:
#if KWEN_HAVE_PAGE_FILES
      read = reader.readers->readTiffPage(reader.tiff, page - 1, kLargestPagePixels, image, error);
#endif
      break;
    case InputKind::kPdf:
#if KWEN_HAVE_PAGE_FILES
      read = reader.readers->readPdfPage(reader.pdf, page - 1, dotsPerInch, kLargestPagePixels, limits, image,
                                         error);
#endif
      break;
  }
  if (!read) error = PageText(page) + error;
  return read;
}

bool ReadInputTitleAndOutline([[maybe_unused]] InputReader& reader, [[maybe_unused]] const DrawingLimits& limits,
                              std::string& title, std::vector<kwen::OutlineItem>& outline,
                              [[maybe_unused]] std::string& error) {
  title.clear();
  outline.clear();
#if KWEN_HAVE_PAGE_FILES
  if (reader.pdf != nullptr) return reader.readers->readPdfTitleAndOutline(reader.pdf, limits, title, outline, error);
#endif
  return true;
}

bool ResolveInputs(const std::vector<std::string>& arguments, std::vector<InputFile>& inputs, std::string& error) {
  inputs.clear();
  for (const std::string& argument : arguments) {
    InputFile input;
    PageList list;
    if (!SplitPageArgument(argument, input.path, list, error)) return false;
    InputReader reader;
    bool resolved = KindOfFile(input.path, input.kind, error) && OpenInputReader(input, reader, error);
    if (resolved) {
      resolved = ExpandPageList(list, PageCountOf(reader), input.pages, error);
      CloseInputReader(reader);
    }
    if (!resolved) {
      error = input.path + " " + error;
      return false;
    }
    inputs.push_back(std::move(input));
  }
  return true;
}
