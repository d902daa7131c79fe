// The built page's pixels as colours, for writing it in image formats other
// than the viewer's BMP export.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/bitmap_types.h"
#include "document/page_state.h"
#include "kwen/document.h"

// The most bytes a page's pixels may take as red, green and blue: every
// image written from them (and the image library's work on it) stays below
// this and far from what a 32-bit int counts.
constexpr uint64_t kLargestRgbBytes = uint64_t{1} << 30;

struct PagePixels {
  int32_t width;
  int32_t height;
  uint32_t bits;
  uint64_t stride;        // bytes of one bitmap row
  const uint8_t* top;     // the top row
  int64_t rowStep;        // bytes from one row to the one below it
  const RgbQuad* table;   // the colour table itself, past any header tail
  int32_t tableColours;
};

// What colours a page uses, from the narrowest.
enum class PageTones { kBlackWhite, kGrey, kColour };

// The pixels of `page`. False, with `error` telling why, for a depth
// other than 1, 2, 4, 8 (through the colour table), 16 (5-5-5), 24 or 32,
// or a page larger than kLargestRgbBytes.
bool OpenPagePixels(const PageState& page, PagePixels& pixels, std::string& error);
// The same for a page built at full size through the public interface;
// `table` holds its colours while `pixels` is in use.
bool OpenBitmapPixels(const kwen::Bitmap& page, std::vector<RgbQuad>& table, PagePixels& pixels, std::string& error);

// Row `y` (0 the top) as red, green and blue bytes, 3 x width of them. False
// when a pixel's index lies past the colour table; that pixel is black.
bool PageRowRgb(const PagePixels& pixels, int32_t y, uint8_t* rgb);

// Whether every pixel has one colour, then given in `rgb`: the top row
// looked at, the others compared with it byte for byte.
bool UniformPageColour(const PagePixels& pixels, uint8_t (&rgb)[3]);

// Checks that every pixel has a colour and tells which tones they take.
// False, with `error` telling why, for an index past the colour table.
bool ClassifyPage(const PagePixels& pixels, PageTones& tones, std::string& error);
