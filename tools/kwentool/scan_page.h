// Bitonal pages of scans as --clean and --lossy store them.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/kwentool/build_options.h"
#include "tools/kwentool/document_writer.h"
#include "tools/kwentool/lossy_page.h"
#include "tools/kwentool/page_image.h"
#include "tools/kwentool/shape_classes.h"
#include "tools/kwentool/dust_cleaner.h"

struct ScanPageCounts {
  SpeckCounts specks;
  LossyPageCounts lossy;
};

// Writes the page with its specks removed (--clean) and its shapes matched
// with those of the document (--lossy), and replaces `ink` by the pixels the
// page draws.
ScanPageCounts WriteScanPage(const BuildOptions& options, DocumentWriter& document, const PageImage& image,
                             std::vector<uint8_t>& ink, ShapeClasses& classes);

// The --verbose line of a page's changes.
void ReportScanPage(const BuildOptions& options, const ScanPageCounts& counts, const ShapeClasses& classes);
