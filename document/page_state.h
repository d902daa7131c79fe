// The page being shown: its headers, colour table and bitmap, written by the
// page loader and the plain BMP reader, read by painting and export.
#pragma once

#include <cstdint>

#include "document/bitmap_types.h"

extern BitmapFileHeader sBitMapFileHeader;
extern BitmapInfo sBitMapInfoHeader;
extern int32_t nColors;
extern uint8_t* pDibBits;
extern int32_t iDibBytes;  // bytes of the last page built, not of the block
extern bool bPageReady;
extern int32_t iScrollStep;
extern int32_t iFittedWidth;
extern int32_t iFittedHeight;
extern int32_t iWhiteIndex;
extern int32_t iBlackIndex;
extern bool bCompact;
extern int32_t iQuantScale;  // survives pages and documents; -1 before the first build

// What the last page was made of (for reports; not part of the page).
struct PageCounts {
  int32_t spots;
  int32_t references;
  int32_t compactPictures;
  // Whether a spot may leave a pixel other than the page's white: false for
  // a blank page, known from its records alone.
  bool inked;
};
extern PageCounts sPageCounts;

// The colour count of the headers: from the offset of the bits, or from the
// colours used (or 2^B) when that offset is 0 and B is at most 8. False when
// the count is more than 256 colours (beside the tail of a longer header).
bool CountColors(const BitmapFileHeader& file, const BitmapInfoHeader& info, int32_t* count);

// Sets iScrollStep, then, when the page needs more bytes than the last one,
// has the host replace the bitmap block; records the size in iDibBytes.
void PreparePageBlock(uint32_t size, int32_t height);

// Fits the window when the page size differs from the last fitted one.
void FitWindowIfResized(int32_t width, int32_t height);
