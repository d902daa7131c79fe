// kwentool: document pages as ordinary images, and what a document holds.
#include <cstdio>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "kwentool/repack_command.h"
#include "kwentool/build_command.h"
#include "render/image_format.h"
#include "input/input_pages.h"
#include "kwentool/open_document.h"
#include "kwentool/output_check.h"
#include "engine/output_file.h"
#include "render/output_pattern.h"
#include "input/page_list.h"
#include "kwentool/render_command.h"
#include "kwentool/ocr_command.h"
#include "kwentool/text_command.h"
#include "engine/fail.h"

namespace {

constexpr int kUsageError = 2;
constexpr int kDocumentError = 1;

constexpr const char* kHelp =
    "Usage: kwentool COMMAND ARGUMENTS\n"
    "\n"
    "Commands:\n"
    "  build [OPTIONS] -o BOOK.kwen PAGE...\n"
    "                            make a document of the page images, in order (at\n"
    "                            most 999 pages; see Pages of build below)\n"
    "  unpack BOOK.kwen OUT      write the unpacked document held in BOOK.kwen\n"
    "  repack IN.kwen OUT.kwen   the same document packed smaller (as --pack best),\n"
    "                            in the window IN declares\n"
    "  render DOC PAGES OUT      build pages of DOC and write each as an image file\n"
    "  info DOC                  the page count, and for each page its size, bits per\n"
    "                            pixel, colours, spots, references and compact pictures;\n"
    "                            the words, title and outline entries of its text\n"
    "  text DOC [PAGES] [--format F]\n"
    "                            the document's text on standard output (every page,\n"
    "                            or PAGES as render takes them), as F:\n"
    "                              plain  lines of words (default), a form feed\n"
    "                                     between pages\n"
    "                              hocr   XHTML: pages, paragraphs, lines and words\n"
    "                                     with their boxes\n"
    "                              json   title, outline and pages of lines of words\n"
    "                                     with their boxes ([left, top, right, bottom])\n"
    "  ocr IN.kwen OUT.kwen [--lang L] [--jobs N]\n"
    "                            IN with the words of its pages read from their\n"
    "                            pixels, its pages, title and outline kept (not in\n"
    "                            the Windows build)\n"
    "  --help                    this text\n"
    "\n"
    "DOC is a packed .kwen document, an unpacked document (label KNWE), or a plain\n"
    "BMP file, which is a document of one page.\n"
    "\n"
    "Render:\n"
    "  PAGES is a page (counted from 1), a list of pages and ranges such as 3,7 or\n"
    "  2,5-7, or all. OUT's extension, in any case, gives the format:\n"
    "    .bmp  uncompressed BMP, as the viewer exports the page\n"
    "    .png  8-bit grey for pages of greys only (black and white too), else RGB\n"
    "    .pbm  raw PBM, for pages of black and white pixels only\n"
    "    .pgm  raw PGM, for pages of greys only\n"
    "    .ppm  raw PPM\n"
    "  For several pages OUT is a name with one page number field, %d or %0Nd\n"
    "  (N from 1 to 9), such as page-%03d.png; progress goes to standard error.\n"
    "\n"
    "Options of build:\n"
    "  --mode M           how pages are stored:\n"
    "                       auto      (default) each page as what it holds: the\n"
    "                                 paper of a scan made white, text and line art\n"
    "                                 as masks of black or a few inks, photographs\n"
    "                                 as compact-coded pictures, a photograph page\n"
    "                                 as one; pages of few colours kept exactly\n"
    "                       bitonal   every page black and white, cut at the\n"
    "                                 threshold (--bitonal says the same)\n"
    "                       grey      every page in greys\n"
    "                       colour    every page in colour, pictures compact-coded\n"
    "                       lossless  every pixel kept (pictures raw unless\n"
    "                                 --quality is given)\n"
    "                     Pages of only black and white pixels are always bitonal.\n"
    "  --jobs N           pages read and worked on at once; one for each core\n"
    "  --threshold N      brightness (1 to 255) below which a pixel is ink; without\n"
    "                     it, Otsu's threshold for each page's brightness histogram\n"
    "                     (128 for a page without two distinct levels)\n"
    "  --quality Q        the quality of compact-coded pictures, from 1 (smallest)\n"
    "                     to 100 (best); 75. With --mode lossless or grey it asks\n"
    "                     for pictures to be compact-coded where that is smaller\n"
    "  --dpi N            resolution of PDF pages, and of pages whose file gives\n"
    "                     none; 300\n"
    "  --pdf-timeout S    seconds each PDF page may take to draw before the build\n"
    "                     stops; 10\n"
    "  --pdf-memory M     MiB of memory each PDF page may take to draw; 1024\n"
    "  --search L         the packing's search switch, as durmo's: T, S, G (default),\n"
    "                     F or Q\n"
    "  --size L           the packing's size switch, as durmo's: H, L, M, 2, 1\n"
    "                     (default), C, S or T\n"
    "  --pack best        pack smaller, by the cheapest parse of the document under\n"
    "                     the adaptive codes (slower; any durmo and both viewers\n"
    "                     restore it); --pack default packs exactly as durmo a\n"
    "  --verbose          a line for each page: its spots, pictures and how closely\n"
    "                     it builds back (peak signal-to-noise ratio)\n"
    "  --clean            remove specks from black and white pages: spots of ink that\n"
    "                     fit in a square of 1/100 inch with no other ink within\n"
    "                     1/25 inch (dots of i and j and full stops lie nearer their\n"
    "                     letters and stay)\n"
    "  --lossy            match the shapes of text across the whole\n"
    "                     document and store each class of matching shapes once: a\n"
    "                     shape that differs from a stored one only by edge noise (no\n"
    "                     missing dot or stroke) is drawn as that one\n"
    "  --ocr              read the words of every page from its pixels, as the\n"
    "                     page is stored, and keep them as the document's text (a\n"
    "                     PDF page's own words are kept without it; not in the\n"
    "                     Windows build)\n"
    "  --lang L           the language of --ocr: eng (default), or several such as\n"
    "                     eng+deu, each with its recognition data installed\n"
    "  --title T          the document's title (without it, a PDF input's title)\n"
    "\n"
    "Progress goes to standard error, the closing report to standard output.\n";

// After the text above; its one field is the formats this build reads.
constexpr const char* kPagesHelp =
    "\n"
    "Pages of build:\n"
    "  Each PAGE is a file: %s.\n"
    "  Every page of a TIFF or PDF file is taken, or those after a colon:\n"
    "  scan.tif:2, book.pdf:3-10, book.pdf:1,4-6. A name that is an existing file\n"
    "  is taken whole, colons and all (add the pages after it to take some:\n"
    "  a:1.tif:2). PDF pages are drawn at --dpi.\n";

[[noreturn]] void UsageError(const std::string& text) {
  std::fprintf(stderr, "kwentool: %s\nTry 'kwentool --help'.\n", text.c_str());
  std::exit(kUsageError);
}

int Render(const char* docPath, const char* pageText, const char* outText) {
  PageList list;
  std::string error;
  if (!ParsePageList(pageText, list, error)) UsageError(error);
  OutputPattern pattern;
  if (!ParseOutputPattern(outText, pattern, error)) UsageError(error);
  if (!pattern.hasField && !IsSinglePage(list)) {
    UsageError(std::string("several pages need an output name with a page number field, such as page-%03d.png: ") +
               outText);
  }
  ImageFormat format;
  if (!FormatOfName(outText, format)) {
    UsageError(std::string("the output's extension must be one of ") + kImageExtensions + ": " + outText);
  }
  return RenderPages(docPath, list, pattern, format);
}

// Tells each page's headers and spots; no bitmap is built.
int Info(const char* docPath) {
  const kwen::Document document = OpenToolDocument(docPath);
  const int32_t pages = document.PageCount();
  std::printf("pages: %d\n", pages);
  for (int32_t index = 0; index < pages; ++index) {
    kwen::PageInfo page;
    try {
      page = document.Page(index);
    } catch (const kwen::Error&) {
      // A page past the end of what the packed data restores is missing, not damaged.
      const kwen::RestoreProgress progress = document.Progress();
      const bool missing = progress.state != kwen::RestoreState::kGoing &&
                           progress.state != kwen::RestoreState::kWhole && index >= progress.pagesReady;
      if (!missing) throw;
      if (index == 0) std::fprintf(stderr, "kwentool: %s is damaged: not even its first page can be restored\n", docPath);
      if (index > 0) std::fprintf(stderr, "kwentool: %s is cut short after page %d of %d\n", docPath, index, pages);
      return kDocumentError;
    }
    std::printf("page %d: %d x %d, %d bits per pixel, %d colours, %d spots, %d references, %d compact pictures\n",
                index + 1, page.width, page.height, page.bitsPerPixel, page.colours, page.spots, page.references,
                page.compactPictures);
  }
  try {
    std::printf("%s\n", TextSummary(document.Text()).c_str());
  } catch (const kwen::Error& failure) {
    std::fprintf(stderr, "kwentool: %s: %s\n", docPath, failure.what());
    return kDocumentError;
  }
  return 0;
}

int Build(int argc, char** argv) {
  BuildOptions options;
  std::string error;
  if (!ParseBuildOptions(argc, argv, options, error)) UsageError(error);
  return RunBuild(options);
}

int Unpack(const char* docPath, const char* outPath) {
  if (IsOutputTheDocument(docPath, outPath)) return kDocumentError;
  std::vector<uint8_t> file;
  const kwen::Document document = OpenToolDocument(docPath, &file);
  if (document.Kind() == kwen::FileKind::kBitmap) {
    std::fprintf(stderr, "kwentool: %s is not a document\n", docPath);
    return kDocumentError;
  }
  std::string error;
  std::vector<uint8_t> bytes;
  if (!RestoreWhole(document, file, bytes)) {
    std::fprintf(stderr, "kwentool: %s is damaged: its pages do not restore cleanly\n", docPath);
    return kDocumentError;
  }
  if (!WriteWholeFile(outPath, bytes, error)) {
    std::fprintf(stderr, "kwentool: %s\n", error.c_str());
    return kDocumentError;
  }
  return 0;
}

bool AsksForHelp(const std::string& argument) { return argument == "--help" || argument == "-h" || argument == "help"; }

int RunCommand(int argc, char** argv) {
  if (argc < 2) UsageError("a command is missing");
  const std::string command = argv[1];
  // "kwentool --help" and "kwentool COMMAND --help" alike.
  if (AsksForHelp(command) || (argc == 3 && AsksForHelp(argv[2]))) {
    std::fputs(kHelp, stdout);
    std::printf(kPagesHelp, kInputFormats);
    return 0;
  }
  if (command == "render") {
    if (argc != 5) UsageError("render takes DOC PAGES OUT");
    return Render(argv[2], argv[3], argv[4]);
  }
  if (command == "build") return Build(argc - 2, argv + 2);
  if (command == "unpack") {
    if (argc != 4) UsageError("unpack takes BOOK.kwen OUT");
    return Unpack(argv[2], argv[3]);
  }
  if (command == "repack") {
    if (argc != 4) UsageError("repack takes IN.kwen OUT.kwen");
    return RepackDocument(argv[2], argv[3]);
  }
  if (command == "text") {
    TextArguments arguments;
    std::string error;
    if (!ParseTextArguments(argc - 2, argv + 2, arguments, error)) UsageError(error);
    return PrintText(arguments);
  }
  if (command == "ocr") {
    OcrArguments arguments;
    std::string error;
    if (!ParseOcrArguments(argc - 2, argv + 2, arguments, error)) UsageError(error);
    return AddTextLayer(arguments);
  }
  if (command == "info") {
    if (argc != 3) UsageError("info takes DOC");
    return Info(argv[2]);
  }
  UsageError("unknown command '" + command + "'");
}
}  // namespace

int main(int argc, char** argv) {
  try {
    return RunCommand(argc, argv);
  } catch (const kwen::Error& failure) {
    std::fprintf(stderr, "kwentool: %s\n", failure.what());
  } catch (const EngineFailure& failure) {
    std::fprintf(stderr, "kwentool: %s\n", failure.reason().c_str());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "kwentool: not enough memory\n");
  } catch (const std::length_error&) {
    std::fprintf(stderr, "kwentool: not enough memory\n");
  }
  return kDocumentError;
}
