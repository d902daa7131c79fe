// The page being shown: its headers, colour table and bitmap, written by the
// page loader and the plain BMP reader, read by painting and export.
#pragma once

#include <cstdint>

#include "document/bitmap_types.h"
#include "document/compact_decoder.h"
#include "document/host.h"

// What the last page was made of (for reports; not part of the page).
struct PageCounts {
  int32_t spots;
  int32_t pictures;
  int32_t references;
  int32_t compactPictures;
  // Whether a spot may leave a pixel other than the page's white: false for
  // a blank page, known from its records alone.
  bool inked;
};

struct PageState {
  BitmapFileHeader fileHeader{};
  BitmapInfo info{};
  int32_t colorCount = 0;
  uint8_t* bits = nullptr;  // the host's block
  int32_t bitsBytes = 0;    // bytes of the last page built, not of the block
  bool ready = false;
  int32_t scrollStep = 0;
  int32_t fittedWidth = 0;
  int32_t fittedHeight = 0;
  int32_t whiteIndex = 0;
  int32_t blackIndex = 0;
  bool compact = false;
  PageCounts counts{};
  CompactDecoder decoder;  // its quantiser steps survive pages
};

// The colour count of the headers: from the offset of the bits, or from the
// colours used (or 2^B) when that offset is 0 and B is at most 8. False when
// the count is more than 256 colours (beside the tail of a longer header).
bool CountColors(const BitmapFileHeader& file, const BitmapInfoHeader& info, int32_t* count);

// Sets the scroll step, then, when the page needs more bytes than the last
// one, has the host replace the bitmap block; records the size in bitsBytes.
void PreparePageBlock(PageState& page, DocumentHost& host, uint32_t size, int32_t height);

// Fits the window when the page size differs from the last fitted one.
void FitWindowIfResized(PageState& page, DocumentHost& host, int32_t width, int32_t height);
