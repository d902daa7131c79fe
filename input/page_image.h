// Page images as the builder reads them from files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kwen/text.h"

// The largest page the builder takes: 8192 x 8192 pixels, so that a 24-bit
// page stays far below what the viewer can hold.
constexpr int64_t kLargestPagePixels = int64_t{1} << 26;

// 8-bit RGB pixels, top row first.
struct PageImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // red, green, blue per pixel
  int32_t xPelsPerMetre = 0;  // 0 when the file gives no resolution
  int32_t yPelsPerMetre = 0;
  kwen::PageText text;  // the words a PDF page holds, over its pixels; none for images
  std::string textDropped;  // why a PDF page's words were left out (worded to follow "page N"), or empty
};

// Resolutions as pages hold them (pixels per metre) and as people say them.
int32_t PelsPerMetre(int32_t dotsPerInch);
int32_t DotsPerInch(const PageImage& image);  // from its vertical resolution

// Reads a BMP, PNG, PBM, PGM, PPM or JPEG file. False, with `error` telling why,
// for anything it cannot read.
bool ReadPageImage(const char* path, PageImage& image, std::string& error);
// The same for the file's bytes, taking at most `largestPixels` pixels.
bool DecodePageImage(const std::vector<uint8_t>& bytes, PageImage& image, std::string& error,
                     int64_t largestPixels = kLargestPagePixels);

// Checks the size of an image about to be read, filling `error` when it is
// empty or larger than `largestPixels`.
bool AcceptPageSize(int64_t width, int64_t height, int64_t largestPixels, std::string& error);
