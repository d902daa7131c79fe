// Black and white pixels coded as CCITT Group 4 (T.6) by the TIFF library:
// the two-dimensional fax coding, without byte alignment, ending with the
// end-of-block code, as PDF's CCITTFaxDecode filter reads it with /K -1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A picture of black and white pixels: rows top first, `rowBytes` apart,
// pixels from the most significant bit, 1 for black.
struct BilevelRows {
  int32_t width = 0;
  int32_t height = 0;
  size_t rowBytes = 0;
  std::vector<uint8_t> bits;
};

// The coded pixels; false with `error` telling why when the library fails.
bool EncodeGroup4(const BilevelRows& rows, std::vector<uint8_t>& coded, std::string& error);
