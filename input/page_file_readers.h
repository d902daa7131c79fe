// The TIFF and PDF readers, in a module of their own that is loaded at the
// first such input: the libraries they use take several times longer to
// load than a page takes to render, and most commands read neither.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/drawing_limits.h"
#include "input/page_image.h"
#include "kwen/text.h"

struct TiffFile;
struct PdfFile;

// Changes whenever PageFileReaders does, so that a module left from another
// build is refused rather than called through the wrong table.
constexpr uint32_t kPageFileReadersLayout = 3;

// What the module hands over: the functions of tiff_reader.h and pdf_reader.h.
struct PageFileReaders {
  uint32_t layout;  // kPageFileReadersLayout of the module's build
  TiffFile* (*openTiff)(const char* path, std::string& error);
  void (*closeTiff)(TiffFile* file);
  int32_t (*tiffPageCount)(TiffFile* file);
  bool (*readTiffPage)(TiffFile* file, int32_t page, int64_t largestPixels, PageImage& image, std::string& error);
  PdfFile* (*openPdf)(const char* path, std::string& error);
  void (*closePdf)(PdfFile* file);
  int32_t (*pdfPageCount)(PdfFile* file);
  bool (*readPdfPage)(PdfFile* file, int32_t page, int32_t dotsPerInch, int64_t largestPixels,
                      const DrawingLimits& limits, PageImage& image, std::string& error);
  bool (*readPdfTitleAndOutline)(PdfFile* file, const DrawingLimits& limits, std::string& title,
                                 std::vector<kwen::OutlineItem>& outline, std::string& error);
};

// The module's one exported function, returning its readers.
#define KWEN_PAGE_FILE_READERS_ENTRY "KwenPageFileReaders"
// The module's file name, looked for beside the program.
constexpr char kPageFileModuleName[] = "kwentool-pages.so";

// Loads the module once, from beside the running program or else from where
// the build put it. Null, with `error` telling why, when it cannot be loaded.
const PageFileReaders* LoadPageFileReaders(std::string& error);
