// JPEG and PNG files through a codec library: libjpeg-turbo and libpng in
// the native build; in the Windows build, which links statically and has
// neither, the bundled single-header library (third_party/stb).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/page_image.h"

// Decode a whole file to 8-bit RGB, refusing pages of more than
// `largestPixels` before decoding any pixel. False, with `error` telling
// why, for a file that is damaged, cut short or too large.
bool DecodeJpeg(const std::vector<uint8_t>& bytes, int64_t largestPixels, PageImage& image, std::string& error);
bool DecodePng(const std::vector<uint8_t>& bytes, int64_t largestPixels, PageImage& image, std::string& error);

// A PNG file of 8-bit samples, `channels` (1 grey, 3 RGB) to a pixel, top
// row first. False, with `error` telling why, when the library fails.
bool EncodePngSamples(const std::vector<uint8_t>& samples, int32_t width, int32_t height, int channels,
                      std::vector<uint8_t>& bytes, std::string& error);
