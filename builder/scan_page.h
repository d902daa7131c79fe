// Bitonal pages of scans as --clean and --lossy store them.
#pragma once

#include <cstdint>
#include <vector>

#include "builder/build_settings.h"
#include "builder/document_writer.h"
#include "builder/lossy_page.h"
#include "input/page_image.h"
#include "builder/shape_classes.h"
#include "builder/dust_cleaner.h"

struct ScanPageCounts {
  SpeckCounts specks;
  LossyPageCounts lossy;
};

// Writes the page with its specks removed (--clean) and its shapes matched
// with those of the document (--lossy), and replaces `ink` by the pixels the
// page draws.
ScanPageCounts WriteScanPage(const BuildSettings& settings, DocumentWriter& document, const PageImage& image,
                             std::vector<uint8_t>& ink, ShapeClasses& classes);

// The --verbose line of a page's changes.
void ReportScanPage(const BuildSettings& settings, const ScanPageCounts& counts, const ShapeClasses& classes);
