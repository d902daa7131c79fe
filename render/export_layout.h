// The page as an uncompressed BMP file: the file header and information
// header exactly as held, the colour table, the page rows.
#pragma once

#include <cstdint>

#include "document/page_state.h"

struct ExportPart {
  const void* data;
  uint32_t size;
  const char* failure;  // the message when writing this part fails
};

constexpr int kExportParts = 4;
// The page's rows are written last: a file that fails to take its end fails
// as they do.
constexpr const char* kLastExportPartFailure = "Write BITMAP to export file failed";

// The parts of `page`, in the order they are written.
void GetExportParts(const PageState& page, ExportPart (&parts)[kExportParts]);

// Writes bytes to an export file: the count written.
using ExportWriter = uint32_t (*)(void* file, const void* data, uint32_t size);

// Writes the parts in order; a part written short ends the export. Returns
// that part's message, or null when all were written.
const char* WriteExportParts(const PageState& page, ExportWriter write, void* file);
