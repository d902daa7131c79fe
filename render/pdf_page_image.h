// A built page as the pictures a PDF page shows, exactly. A page of few
// colours is its commonest colour (the paper: white needs nothing) with a
// 1-bit mask (a stencil) painted in each other colour; a black and white
// page is a stencil of its black. A page of more colours, or whose colours
// pack smaller so, is one picture: indexes into up to 256 colours (or 16
// greys), else 8-bit greys or red, green and blue. Stencils are fax coded or
// deflated, whichever is smaller; the rest is deflated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kwen/document.h"

enum class PdfImageKind {
  kStencil,  // 1 bit a pixel, 1 painted in `ink`
  kGrey,     // 8 bits a pixel
  kIndexed,  // `bits` a pixel into `palette`, greys or colours
  kRgb,      // 3 bytes a pixel
};

enum class PdfImageFilter {
  kFlate,
  kFax,  // CCITT Group 4 (stencils only)
};

// What the PDF's image dictionary says of the coded bytes.
struct PdfImageFormat {
  PdfImageKind kind = PdfImageKind::kStencil;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 0;  // per component (an index for kIndexed)
  PdfImageFilter filter = PdfImageFilter::kFlate;
  bool predicted = false;         // deflated rows led by PNG filters (/Predictor 15)
  std::vector<uint32_t> palette;  // 0xRRGGBB per index (kIndexed)
  uint32_t ink = 0;               // 0xRRGGBB (kStencil)
};

struct PdfImage {
  PdfImageFormat format;
  std::vector<uint8_t> coded;
};

constexpr uint32_t kPdfWhite = 0xFFFFFF;

struct PdfPagePicture {
  uint32_t paper = kPdfWhite;    // 0xRRGGBB under the images
  std::vector<PdfImage> images;  // in the order they are drawn
};

// `page` as built by Document::BuildPage. False, with `error` telling why,
// for pixels that cannot be read or a coding library's failure.
bool EncodePagePicture(const kwen::Bitmap& page, PdfPagePicture& picture, std::string& error);
