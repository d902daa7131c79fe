// The pages a build takes from its arguments: image files of one page and
// multi-page TIFF and PDF files, each whole or some of its pages
// ("scan.tif:2", "book.pdf:3-10", "book.pdf:1,4-6").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/drawing_limits.h"
#include "input/page_image.h"
#include "input/page_list.h"
#include "kwen/text.h"

// The formats this build reads, for the help and for messages.
extern const char kInputFormats[];

enum class InputKind { kImage, kTiff, kPdf };

struct InputFile {
  std::string path;
  InputKind kind = InputKind::kImage;
  std::vector<int32_t> pages;  // from 1, in the order taken
};

// An argument naming an existing file is that file, whole, whatever its
// name holds. Otherwise a last ':' followed by page numbers, ranges and
// commas (or "all") splits it into the file and its pages. False, with
// `error`, when those pages are malformed.
bool SplitPageArgument(const std::string& argument, std::string& path, PageList& pages, std::string& error);

// Finds each argument's file, its kind and page count, and lists the pages
// taken. False, with `error` naming the file, for a file that cannot be
// opened or read, or pages it does not have.
bool ResolveInputs(const std::vector<std::string>& arguments, std::vector<InputFile>& inputs, std::string& error);

struct TiffFile;
struct PdfFile;
struct PageFileReaders;

// One input file open for reading its pages, by one thread at a time.
// Readers of their own on several threads, of one file or several, read
// apart from one another: each holds its own library handle and, for PDF,
// its own drawing child.
struct InputReader {
  const InputFile* input = nullptr;
  const PageFileReaders* readers = nullptr;  // for a TIFF or PDF file
  TiffFile* tiff = nullptr;
  PdfFile* pdf = nullptr;
};

bool OpenInputReader(const InputFile& input, InputReader& reader, std::string& error);
void CloseInputReader(InputReader& reader);
// Page `page` (from 1) of the file. PDF pages are drawn at `dotsPerInch`
// within `limits`, with the words they hold (PageImage::text). False, with
// `error` worded to follow the file's name and, for files of pages, naming
// the page ("page 3 is damaged (...)").
bool ReadInputPage(InputReader& reader, int32_t page, int32_t dotsPerInch, const DrawingLimits& limits,
                   PageImage& image, std::string& error);
// The file's title and outline, its entries on pages of the file from 0:
// a PDF file's (read within `limits`, entries bounded as pdf_outline.h
// says), none for other files. False, with `error` worded to follow the
// file's name, when they cannot be read; its pages may read all the same.
bool ReadInputTitleAndOutline(InputReader& reader, const DrawingLimits& limits, std::string& title,
                              std::vector<kwen::OutlineItem>& outline, std::string& error);
