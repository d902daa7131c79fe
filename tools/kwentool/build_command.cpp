#include "tools/kwentool/build_command.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/kwentool/document_writer.h"
#include "tools/kwentool/output_file.h"
#include "tools/kwentool/page_check.h"
#include "tools/kwentool/page_encoder.h"
#include "utility/memory_pack.h"
#include "viewer/document/document_kind.h"
#include "viewer/document/document_state.h"

namespace {

constexpr int kBuildFailed = 1;
constexpr double kMetresPerInch = 0.0254;
constexpr int32_t kLargestDotsPerInch = 100000;
constexpr int32_t kBestQuality = 100;
constexpr int32_t kLargestThreshold = 255;
constexpr char kSearchLetters[] = "TSGFQ";
constexpr char kSizeLetters[] = "HLM21CST";

bool ParseNumber(const char* text, int32_t lowest, int32_t highest, int32_t& value) {
  char* end = nullptr;
  errno = 0;
  long number = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || number < lowest || number > highest) return false;
  value = static_cast<int32_t>(number);
  return true;
}

// A switch letter as the utility takes it, with or without its slash.
bool ParseLetter(const char* text, const char* letters, char& letter) {
  if (text[0] == '/') ++text;
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return letter != '\0' && text[1] == '\0' && std::strchr(letters, letter) != nullptr;
}

bool ParseOption(const std::string& name, const char* value, BuildOptions& options, std::string& error) {
  char letter;
  if (name == "-o" || name == "--output") {
    options.output = value;
  } else if (name == "--quality") {
    if (!ParseNumber(value, 1, kBestQuality, options.quality)) error = "--quality takes a number from 1 to 100";
  } else if (name == "--threshold") {
    if (!ParseNumber(value, 1, kLargestThreshold, options.threshold)) error = "--threshold takes a number from 1 to 255";
  } else if (name == "--dpi") {
    if (!ParseNumber(value, 1, kLargestDotsPerInch, options.dotsPerInch)) error = "--dpi takes a positive number";
  } else if (name == "--search") {
    if (!ParseLetter(value, kSearchLetters, letter)) error = "--search takes one of T, S, G, F, Q";
    else options.switches.searchExponent = SearchExponentFor(letter);
  } else if (name == "--size") {
    if (!ParseLetter(value, kSizeLetters, letter)) error = "--size takes one of H, L, M, 2, 1, C, S, T";
    else options.switches.windowExponent = WindowExponentFor(letter);
  } else {
    error = "unknown option '" + name + "'";
  }
  return error.empty();
}

bool TakesValue(const std::string& name) {
  return name == "-o" || name == "--output" || name == "--quality" || name == "--threshold" || name == "--dpi" ||
         name == "--search" || name == "--size";
}

int32_t PelsPerMetre(int32_t dotsPerInch) { return static_cast<int32_t>(std::lround(dotsPerInch / kMetresPerInch)); }

struct Progress {
  bool terminal;
  int32_t pages;
};

void ShowProgress(const Progress& progress, int32_t page) {
  std::fprintf(stderr, progress.terminal ? "page %d of %d\r" : "page %d of %d\n", page, progress.pages);
  std::fflush(stderr);
}

void EndProgress(const Progress& progress) {
  if (progress.terminal) std::fprintf(stderr, "%*s\r", 40, "");
}

[[noreturn]] void FailBuild(const std::string& text) {
  std::fprintf(stderr, "kwentool: %s\n", text.c_str());
  std::exit(kBuildFailed);
}

void ReportPage(int32_t index, const std::string& path, const PageImage& image, bool bitonal,
                const SpotCounts& before, const SpotCounts& after, const PageComparison& comparison) {
  std::printf("page %d (%s): %d x %d, %s, %lld spots, %lld references, %lld pictures, ", index + 1, path.c_str(),
              image.width, image.height, bitonal ? "bitonal" : "24-bit", static_cast<long long>(after.spots - before.spots),
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
  std::printf("  spots       %lld (%lld masks stored, %lld references)\n", static_cast<long long>(counts.spots),
              static_cast<long long>(counts.inlineMasks), static_cast<long long>(counts.references));
  std::printf("  pictures    %lld (%lld compact-coded)\n",
              static_cast<long long>(counts.rawPictures + counts.compactPictures),
              static_cast<long long>(counts.compactPictures));
  std::printf("  unpacked    %zu bytes\n", document.bytes.size());
  std::printf("  packed      %zu bytes\n", packedSize);
}

// Writes page `index`, checks it by building it back, and reports it.
void BuildPage(const BuildOptions& options, DocumentWriter& document, int32_t index) {
  const std::string& path = options.pages[index];
  PageImage image;
  std::string error;
  if (!ReadPageImage(path.c_str(), image, error)) FailBuild(path + " " + error);
  if (image.xPelsPerMetre <= 0 || image.yPelsPerMetre <= 0) {
    image.xPelsPerMetre = image.yPelsPerMetre = PelsPerMetre(options.dotsPerInch);
  }
  const SpotCounts before = document.counts;
  const bool bitonal = options.bitonal || IsBlackAndWhite(image);
  std::vector<uint8_t> ink;
  if (bitonal) {
    ink = InkMap(image, options.threshold > 0 ? options.threshold : kDefaultThreshold);
    WriteBitonalPage(document, image, ink);
  } else {
    WriteColourPage(document, image, options.quality);
  }
  if (!EndPage(document)) FailBuild("the unpacked document would reach 2 GiB at page " + std::to_string(index + 1));
  const PageComparison comparison = CompareBuiltPage(document, index, image, bitonal ? &ink : nullptr);
  const bool lossless = bitonal || options.quality == 0;
  if (lossless && comparison.differentPixels != 0) {
    FailBuild("internal error: page " + std::to_string(index + 1) + " does not build back to its pixels");
  }
  if (options.verbose) ReportPage(index, path, image, bitonal, before, document.counts, comparison);
}

}  // namespace

bool ParseBuildOptions(int argc, const char* const* argv, BuildOptions& options, std::string& error) {
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--bitonal") {
      options.bitonal = true;
    } else if (argument == "--verbose" || argument == "-v") {
      options.verbose = true;
    } else if (TakesValue(argument)) {
      if (i + 1 == argc) {
        error = argument + " needs a value";
        return false;
      }
      if (!ParseOption(argument, argv[++i], options, error)) return false;
    } else if (argument.size() > 1 && argument[0] == '-') {
      error = "unknown option '" + argument + "'";
      return false;
    } else {
      options.pages.push_back(argument);
    }
  }
  if (options.output.empty()) {
    error = "build needs -o BOOK.kwen";
  } else if (!IsPackedDocumentName(options.output.c_str())) {
    error = "the document's name must end in .kwen, by which the viewer knows it";
  } else if (options.pages.empty()) {
    error = "build needs at least one page image";
  } else if (options.pages.size() > static_cast<size_t>(kMaxPages)) {
    error = "a document holds at most " + std::to_string(kMaxPages) + " pages";
  }
  return error.empty();
}

int RunBuild(const BuildOptions& options) {
  const int32_t pages = static_cast<int32_t>(options.pages.size());
  const Progress progress{isatty(fileno(stderr)) != 0, pages};
  DocumentWriter document;
  BeginDocument(document, pages);
  for (int32_t index = 0; index < pages; ++index) {
    ShowProgress(progress, index + 1);
    BuildPage(options, document, index);
  }
  EndProgress(progress);
  const std::vector<uint8_t> packed = PackBytes(document.bytes.data(), document.bytes.size(), options.switches);
  std::string error;
  if (!WriteWholeFile(options.output, packed, error)) FailBuild(error);
  ReportDocument(options, document, packed.size());
  return 0;
}
