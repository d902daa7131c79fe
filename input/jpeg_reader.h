// What the image library leaves unchecked in JPEG files: that the file is
// whole, and the resolution of its JFIF header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/page_image.h"

bool IsJpeg(const std::vector<uint8_t>& bytes);

// Walks the markers from the start of the image to its end mark. False,
// with `error` telling why, when a segment runs past the file or the end
// mark is missing: the decoder would fill a cut-off file with grey.
bool CheckJpegMarkers(const std::vector<uint8_t>& bytes, std::string& error);

// The density of a JFIF header in dots per inch or per centimetre; left 0
// when there is none or it gives only the pixels' aspect.
void ReadJfifResolution(const std::vector<uint8_t>& bytes, PageImage& image);
