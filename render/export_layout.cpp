#include "render/export_layout.h"

void GetExportParts(const PageState& page, ExportPart (&parts)[kExportParts]) {
  const BitmapInfoHeader& info = page.info.BMIH;
  const uint64_t rows = RowBytes(info.biBitCount, static_cast<uint32_t>(info.biWidth)) * info.biHeight;
  parts[0] = {&page.fileHeader, sizeof page.fileHeader, "Write BITMAPFILEHEADER to export file failed"};
  parts[1] = {&page.info.BMIH, sizeof page.info.BMIH, "Write BITMAPINFO to export file failed"};
  parts[2] = {page.info.RGBTable, 4 * static_cast<uint32_t>(page.colorCount), "Write RGBTable to export file failed"};
  parts[3] = {page.bits, static_cast<uint32_t>(rows), kLastExportPartFailure};
}

const char* WriteExportParts(const PageState& page, ExportWriter write, void* file) {
  ExportPart parts[kExportParts];
  GetExportParts(page, parts);
  for (const ExportPart& part : parts) {
    if (part.size != 0 && write(file, part.data, part.size) != part.size) return part.failure;
  }
  return nullptr;
}
