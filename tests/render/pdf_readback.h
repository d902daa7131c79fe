// An exported PDF read back as its users' programs read it: drawn by
// Ghostscript and Poppler, its pictures, text, title and outline as the
// PDF tools and library tell them, its check; and what to hold it against:
// the document's pages as built, and a Group 4 TIFF of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kwen/document.h"

namespace pdf_test {

struct RgbImage {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

// A page drawn by a PDF renderer, and what the renderer said of the file.
struct Drawing {
  RgbImage image;
  std::string messages;
};

struct OutlineEntry {
  std::string title;
  int page;  // from 1 in the PDF
  int level;
  bool operator==(const OutlineEntry& other) const {
    return title == other.title && page == other.page && level == other.level;
  }
};

// `text` quoted for the shell (no quotes of its own).
std::string Quoted(const std::string& text);
// What `command` writes to standard output; its exit status in `status`.
std::string Output(const std::string& command, int* status = nullptr);
// What `command` says on its standard output and error.
std::string Messages(const std::string& command);

// Page `page` (from 1) drawn at `dotsPerInch`.
Drawing DrawnByGhostscript(const std::string& pdf, int page, int dotsPerInch);
Drawing DrawnByPoppler(const std::string& pdf, int page, int dotsPerInch);
// Page `page` (from 0) of the document, built at full size.
RgbImage BuiltPage(const kwen::Document& document, int32_t page);
// How many pixels of two pictures of one size differ (the first one found
// is reported as a test failure); their mean difference a byte.
int64_t DifferingPixels(const RgbImage& a, const RgbImage& b);
double MeanDifference(const RgbImage& a, const RgbImage& b);

// Whether `qpdf --check` finds nothing wrong.
bool PassesCheck(const std::string& pdf);
// The colour space of each picture on each page: "/DeviceGray",
// "/Indexed /DeviceGray" and the like; stencils have none.
std::vector<std::vector<std::string>> ColourSpaces(const std::string& pdf);
// The outline's entries in order, with their levels and pages.
std::vector<OutlineEntry> OutlineOf(const std::string& pdf);
// The title `pdfinfo` shows.
std::string TitleOf(const std::string& pdf);

// The document's black and white pages as one Group 4 TIFF at `path`; its size.
size_t Group4TiffBytes(const kwen::Document& document, const std::string& path);

}  // namespace pdf_test
