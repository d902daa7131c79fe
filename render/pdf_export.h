// A document's pages as a compact, searchable PDF file: each page its
// exact pixels at its own size and resolution (black and white pages fax
// coded, the rest deflated), its words as invisible text placed over them,
// and the document's title and outline. Written through the kit's one
// output routine, whole or not at all.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kwen/document.h"

struct PdfExportOptions {
  std::string title;    // the title when the document gives none; none when empty
  std::string creator;  // the program writing it, for the document information
  int threads = 0;      // pages built and coded at once; 0 for one per processor
  // Hears after each page is coded, on the calling thread.
  std::function<void(int32_t done, int32_t total)> progress;
};

struct PdfExportResult {
  std::string error;        // empty when the file was written
  int32_t failedPage = -1;  // the page (from 0) that could not be built, `error` the library's reason
  std::vector<std::string> warnings;  // what the file goes without: the text of a damaged text layer
  bool Written() const { return error.empty(); }
};

// Writes `pages` (from 0, in this order) of `document` to the file `path`.
PdfExportResult ExportPdf(const kwen::Document& document, const std::vector<int32_t>& pages, const std::string& path,
                          const PdfExportOptions& options);
