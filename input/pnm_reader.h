// The PNM family (PBM, PGM, PPM), plain and raw, with any maximum value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/page_image.h"

bool IsPnm(const std::vector<uint8_t>& bytes);
bool ReadPnm(const std::vector<uint8_t>& bytes, int64_t largestPixels, PageImage& image, std::string& error);
