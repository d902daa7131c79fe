#include "render/export_layout.h"

#include "document/page_state.h"

void GetExportParts(ExportPart (&parts)[kExportParts]) {
  const BitmapInfoHeader& info = sBitMapInfoHeader.BMIH;
  const uint64_t rows = RowBytes(info.biBitCount, static_cast<uint32_t>(info.biWidth)) * info.biHeight;
  parts[0] = {&sBitMapFileHeader, sizeof sBitMapFileHeader, "Write BITMAPFILEHEADER to export file failed"};
  parts[1] = {&sBitMapInfoHeader.BMIH, sizeof sBitMapInfoHeader.BMIH, "Write BITMAPINFO to export file failed"};
  parts[2] = {sBitMapInfoHeader.RGBTable, 4 * static_cast<uint32_t>(nColors), "Write RGBTable to export file failed"};
  parts[3] = {pDibBits, static_cast<uint32_t>(rows), kLastExportPartFailure};
}

const char* WriteExportParts(ExportWriter write, void* file) {
  ExportPart parts[kExportParts];
  GetExportParts(parts);
  for (const ExportPart& part : parts) {
    if (part.size != 0 && write(file, part.data, part.size) != part.size) return part.failure;
  }
  return nullptr;
}
