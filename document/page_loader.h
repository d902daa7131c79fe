// Builds one page of the open document into the page bitmap: reads its
// headers, whitens the bitmap and draws its spot records one by one.
#pragma once

#include <cstdint>

#include "document/doc_file.h"
#include "document/document_state.h"
#include "document/host.h"
#include "document/page_state.h"

// The largest page bitmap the loader builds.
constexpr uint32_t kLargestPageBytes = INT32_MAX;
// The most memory one spot takes: its pixels, with its decoder's work.
constexpr uint64_t kLargestSpotBytes = uint64_t{1} << 28;

// Whether a compact picture of this size stays within kLargestSpotBytes,
// so that the loader decodes it.
bool CompactPictureFits(uint32_t width, uint32_t height);

// Pixels of B bits at a bit offset: below 8 bits packed from the most
// significant bit of each byte down, otherwise B / 8 bytes, least
// significant first.
void StorePixel(uint8_t* buffer, uint64_t bitOffset, uint32_t bitsPerPixel, uint32_t value);
uint32_t FetchPixel(const uint8_t* buffer, uint64_t bitOffset, uint32_t bitsPerPixel);

// Builds page `index` (from 0) of `document` into `page`: `hdoc` reads the
// page's record, `hofs` the spots it refers to. Every failure throws a
// DocumentError, and every failure but that of memory comes before the page
// bitmap is set aside.
void LoadPage(const DocumentState& document, PageState& page, DocumentHost& host, DocFile& hdoc, DocFile& hofs,
              int32_t index);
// Reads page `index`'s headers into `page` and walks its spot records,
// counting them in its counts, without building the bitmap; it refuses
// what LoadPage would.
void ScanPage(const DocumentState& document, PageState& page, DocFile& hdoc, DocFile& hofs, int32_t index);

// A part of the page bitmap drawn by itself: `rows` bitmap rows from
// `bottomRow` (rows count from the bottom, as in the bitmap) and `width`
// columns from `left`, into `bits`, rows of RowBytes(page bits, width).
struct PageWindow {
  int32_t left;
  int32_t bottomRow;
  int32_t width;
  int32_t rows;
  uint8_t* bits;
};

// Draws the part of page `index` in `window`, with every check LoadPage
// makes; `page` is written as by LoadPage, with `page.bits` the window's.
// Spots outside the window are passed over, not decoded. Pages drawn window
// by window are the page LoadPage draws, pixel for pixel.
void LoadPageWindow(const DocumentState& document, PageState& page, DocFile& hdoc, DocFile& hofs, int32_t index,
                    const PageWindow& window);

struct PageGeometry {
  int32_t width;
  int32_t height;
  uint32_t bits;
  uint64_t stride;  // bytes of one row
};

// The geometry of the page's headers; refuses sizes that are not positive,
// bitmaps over kLargestPageBytes and, for document pages, more than 24 bits
// per pixel.
PageGeometry CheckPageGeometry(const PageState& page, bool documentPage);

// Reads the file header, information header and colour table at the file's
// position into `page`, with the checks and messages of a page.
void ReadPageHeaders(PageState& page, DocFile& file, bool gather);
