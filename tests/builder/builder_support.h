// Page images for the builder's tests, and pages read back from what the
// builder wrote, independently of the builder's own check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/document_writer.h"
#include "input/page_image.h"

namespace testing_support {

PageImage BlankImage(int32_t width, int32_t height);
void SetPixel(PageImage& image, int32_t x, int32_t y, uint8_t red, uint8_t green, uint8_t blue);
void FillRect(PageImage& image, int32_t left, int32_t top, int32_t width, int32_t height, uint8_t red,
              uint8_t green, uint8_t blue);

void Paste(PageImage& page, const PageImage& picture, int32_t left, int32_t top);
bool SamePixels(const PageImage& a, const PageImage& b);
// Peak signal-to-noise ratio over a box (the whole page when width is 0); 1000 when equal.
double BoxPsnr(const PageImage& a, const PageImage& b, int32_t left = 0, int32_t top = 0, int32_t width = 0,
               int32_t height = 0);

// Pages of several kinds, from a seed.
PageImage TextPage(int32_t width, int32_t height, uint32_t seed);  // lines of repeated glyph shapes
PageImage TablePage(int32_t width, int32_t height);                // long rules and a few glyphs
PageImage SpiralPage(int32_t width, int32_t height);               // one large component
PageImage PhotoPage(int32_t width, int32_t height, uint32_t seed); // smooth colours with some texture

// Page `index` of the document as the viewer builds it, as RGB.
PageImage LoadBuiltPage(const DocumentWriter& document, int32_t index);

}  // namespace testing_support
