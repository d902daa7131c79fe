// Drawing spots into the page bitmap a row at a time. Each spot is clipped
// to the page once; its rows are then painted with no test per pixel, 1-bit
// rows a byte at a time.
#pragma once

#include <cstdint>

#include "document/page_loader.h"

// Where a spot lies, and the part of it on the page in spot columns and rows
// (the last ones past the end).
struct SpotArea {
  int64_t left;     // page column of the spot's first column
  int64_t baseRow;  // bitmap row (bottom-up) of the spot's bottom row
  uint32_t width;
  uint32_t height;
  int64_t firstColumn, lastColumn;
  int64_t firstRow, lastRow;
  uint64_t Pixels() const {
    return lastColumn > firstColumn && lastRow > firstRow
               ? static_cast<uint64_t>(lastColumn - firstColumn) * static_cast<uint64_t>(lastRow - firstRow)
               : 0;
  }
};

inline SpotArea ClipSpot(int64_t left, int64_t baseRow, uint32_t width, uint32_t height, const PageGeometry& page) {
  SpotArea area{left, baseRow, width, height, 0, width, 0, height};
  if (left < 0) area.firstColumn = -left;
  if (left + width > page.width) area.lastColumn = page.width - left;
  if (baseRow < 0) area.firstRow = -baseRow;
  if (baseRow + height > page.height) area.lastRow = page.height - baseRow;
  return area;
}

// Bytes a mask buffer holds beyond the mask, readable (their values do not
// matter), so that narrow masks are read a word a row.
constexpr int64_t kMaskSlack = 8;
// A mask of ceil(w / 8) bytes a row, bottom row first, leftmost pixel in
// bit 7, followed by kMaskSlack bytes: its set bits paint the ink.
void DrawMask(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* mask, uint32_t ink);
// A picture of the page's depth by columns of ceil(B x h / 8) bytes, the
// bottom pixel first: on a 24-bit page its bytes are ANDed into the page's;
// below that each pixel other than `white` replaces the page's.
void DrawPicture(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, const uint8_t* pixels,
                 uint32_t white);
// Every pixel of the area on the page becomes `value`.
void FillArea(const PageGeometry& page, uint8_t* bitmap, const SpotArea& area, uint32_t value);
