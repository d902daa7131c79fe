// Pages as raw PNM files: PBM (P4), PGM (P5) or PPM (P6), maximum value 255.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/page_pixels.h"

enum class PnmKind { kBitmap, kGreymap, kPixmap };

// The file of a page whose tones `tones` tells (from ClassifyPage). False,
// with `error` telling why, when the kind cannot hold them: a bitmap only
// black and white, a greymap only greys.
bool EncodePnm(const PagePixels& pixels, PageTones tones, PnmKind kind, std::vector<uint8_t>& bytes,
               std::string& error);
