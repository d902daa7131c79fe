// The page as an uncompressed BMP file: the file header and information
// header exactly as held, the colour table, the page rows.
#pragma once

#include <cstdint>

struct ExportPart {
  const void* data;
  uint32_t size;
  const char* failure;  // the message when writing this part fails
};

constexpr int kExportParts = 4;

// The parts of the current page, in the order they are written.
void GetExportParts(ExportPart (&parts)[kExportParts]);
