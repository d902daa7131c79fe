// 1-bit masks (stencils) of a page's inks: each painted in its colour over
// the page's paper, they give back its pixels exactly, and readers draw
// them pixel for pixel at their own size.
#pragma once

#include <cstdint>
#include <string>

#include "render/ccitt_g4.h"
#include "render/page_palette.h"
#include "render/pdf_page_image.h"

// `rows` (1 bits painted) as a stencil of `ink`, fax coded or deflated,
// whichever is smaller. False with `error` telling why a library failed.
bool EncodeStencil(const BilevelRows& rows, uint32_t ink, PdfImage& image, std::string& error);

// The page whose colours `palette` found as its commonest colour, the
// paper, and a stencil of each other colour, in `picture`.
bool EncodeInkStencils(const PagePixels& pixels, const PagePalette& palette, PdfPagePicture& picture,
                       std::string& error);
