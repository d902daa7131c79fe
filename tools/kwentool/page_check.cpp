#include "tools/kwentool/page_check.h"

#include <cmath>
#include <limits>

#include "viewer/document/bitmap_types.h"
#include "viewer/document/doc_file.h"
#include "viewer/document/document_state.h"
#include "viewer/document/page_loader.h"
#include "viewer/document/page_state.h"

namespace {

constexpr double kPeak = 255.0;

void LoadWrittenPage(const DocumentWriter& document, int32_t index) {
  iPageCount = index + 1;
  for (int32_t k = 0; k <= index + 1; ++k) aPageOffset[k] = PageOffset(document, k);
  DocFile hdoc, hofs;
  const int64_t size = static_cast<int64_t>(document.bytes.size());
  OpenMemoryDocFile(hdoc, document.bytes.data(), size);
  OpenMemoryDocFile(hofs, document.bytes.data(), size);
  iCurPage = index;
  LoadPage(hdoc, hofs, index);
  CloseDocFile(hdoc);
  CloseDocFile(hofs);
}

// The built pixel as red, green, blue.
void BuiltPixel(const uint8_t* row, int32_t x, bool bitonal, uint8_t rgb[3]) {
  if (bitonal) {
    const uint8_t value = FetchPixel(row, static_cast<uint64_t>(x), 1) ? 255 : 0;
    rgb[0] = rgb[1] = rgb[2] = value;
    return;
  }
  const uint8_t* pixel = row + static_cast<size_t>(x) * 3;
  rgb[0] = pixel[2];
  rgb[1] = pixel[1];
  rgb[2] = pixel[0];
}

}  // namespace

PageComparison CompareBuiltPage(const DocumentWriter& document, int32_t index, const PageImage& image,
                                const std::vector<uint8_t>* ink) {
  LoadWrittenPage(document, index);
  const bool bitonal = ink != nullptr;
  const uint64_t stride = RowBytes(bitonal ? 1 : 24, image.width);
  PageComparison comparison{0, 0};
  double squares = 0;
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* row = pDibBits + stride * static_cast<uint64_t>(image.height - 1 - y);
    for (int32_t x = 0; x < image.width; ++x) {
      const size_t p = static_cast<size_t>(y) * image.width + x;
      uint8_t expected[3];
      if (bitonal) {
        expected[0] = expected[1] = expected[2] = (*ink)[p] ? 0 : 255;
      } else {
        for (int c = 0; c < 3; ++c) expected[c] = image.rgb[p * 3 + c];
      }
      uint8_t built[3];
      BuiltPixel(row, x, bitonal, built);
      bool same = true;
      for (int c = 0; c < 3; ++c) {
        const double difference = static_cast<double>(expected[c]) - built[c];
        squares += difference * difference;
        same = same && difference == 0;
      }
      comparison.differentPixels += same ? 0 : 1;
    }
  }
  const double meanSquare = squares / (3.0 * image.width * image.height);
  comparison.psnr = meanSquare == 0 ? std::numeric_limits<double>::infinity()
                                    : 10 * std::log10(kPeak * kPeak / meanSquare);
  return comparison;
}
