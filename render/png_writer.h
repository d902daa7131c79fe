// Pages as PNG files, through the codec library: 8-bit grey for a page of
// greys only (black and white pages included), 8-bit RGB otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/page_pixels.h"

// The file of a page whose tones `tones` tells (from ClassifyPage). False,
// with `error` telling why, when the library fails.
bool EncodePng(const PagePixels& pixels, PageTones tones, std::vector<uint8_t>& bytes, std::string& error);
