// TIFF pages through libtiff: every page of a multi-page file, of any
// depth and compression the library reads. Reduced images (thumbnails a
// scanner adds beside a page) are not pages.
#pragma once

#include <cstdint>
#include <string>

#include "input/page_image.h"

struct TiffFile;

// Null, with `error` telling why, when the file is not a readable TIFF.
TiffFile* OpenTiff(const char* path, std::string& error);
void CloseTiff(TiffFile* file);

int32_t TiffPageCount(TiffFile* file);

// Page `page` (from 0) as RGB on white, with the resolution of its tags.
// A page larger than `largestPixels` is refused before its pixels are read;
// so is one whose data the library reports damaged, even where it only warns.
bool ReadTiffPage(TiffFile* file, int32_t page, int64_t largestPixels, PageImage& image, std::string& error);
