// Images decoded by the bundled single-header library: BMP in every build
// (after CheckBmpPixels), and JPEG and PNG where it is the codec library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/page_image.h"

// Decodes to 8-bit RGB, refusing pages of more than `largestPixels` before
// any pixel is decoded. False, with `error` telling why, otherwise.
bool DecodeWithStb(const std::vector<uint8_t>& bytes, int64_t largestPixels, PageImage& image, std::string& error);
