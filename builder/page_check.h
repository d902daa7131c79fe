// Reads a page back from the document being written, as the viewer builds
// it, and compares it with the pixels it was made from.
#pragma once

#include <cstdint>
#include <vector>

#include "builder/document_writer.h"
#include "input/page_image.h"

struct PageComparison {
  int64_t differentPixels;
  double psnr;  // peak signal-to-noise ratio in dB; infinite when equal
};

// `ink` is the ink map of a bitonal page (1 for black), or null for a
// 24-bit page, which is compared with the image's colours.
PageComparison CompareBuiltPage(const DocumentWriter& document, int32_t index, const PageImage& image,
                                const std::vector<uint8_t>* ink);
