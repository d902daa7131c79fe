#include "builder/page_check.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "document/bitmap_types.h"
#include "document/doc_file.h"
#include "document/document_state.h"
#include "document/host.h"
#include "document/page_loader.h"
#include "document/page_state.h"

namespace {

constexpr double kPeak = 255.0;
constexpr uint16_t kTableBits = 8;

// The page built, with the block its bits lie in.
struct BuiltPage {
  PageState state;
  HeapPageHost host;
};

void LoadWrittenPage(const DocumentWriter& document, int32_t index, BuiltPage& built) {
  DocumentState table;
  table.pageCount = index + 1;
  const std::vector<int32_t> offsets = PageOffsets(document);
  std::copy(offsets.begin(), offsets.begin() + index + 2, table.pageOffsets);
  DocFile hdoc, hofs;
  const int64_t size = static_cast<int64_t>(document.bytes.size());
  OpenMemoryDocFile(hdoc, document.bytes.data(), size);
  OpenMemoryDocFile(hofs, document.bytes.data(), size);
  table.currentPage = index;
  LoadPage(table, built.state, built.host, hdoc, hofs, index);
  CloseDocFile(hdoc);
  CloseDocFile(hofs);
}

// The row as the page bitmap should hold it: 1-bit rows with bit 7 first
// (1 for white), 24-bit rows as blue, green, red; padding left 0 as the
// loader leaves it.
void ExpectedRow(const PageImage& image, const std::vector<uint8_t>* ink, int32_t y, std::vector<uint8_t>& row) {
  std::fill(row.begin(), row.end(), 0);
  const size_t first = static_cast<size_t>(y) * image.width;
  if (ink != nullptr) {
    for (int32_t x = 0; x < image.width; ++x) {
      if ((*ink)[first + x] == 0) row[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
    }
    return;
  }
  const uint8_t* pixel = &image.rgb[first * 3];
  for (int32_t x = 0; x < image.width; ++x, pixel += 3) {
    row[3 * x] = pixel[2];
    row[3 * x + 1] = pixel[1];
    row[3 * x + 2] = pixel[0];
  }
}

// A 1-bit pixel stands for 0 or 255 in each of the three colours.
double RowSquares(const std::vector<uint8_t>& expected, const uint8_t* built, int32_t width, bool bitonal,
                  int64_t& differentPixels) {
  double squares = 0;
  for (int32_t x = 0; x < width; ++x) {
    if (bitonal) {
      const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
      if (((expected[x >> 3] ^ built[x >> 3]) & bit) == 0) continue;
      squares += 3 * kPeak * kPeak;
      ++differentPixels;
      continue;
    }
    double pixelSquares = 0;
    for (int c = 0; c < 3; ++c) {
      const double difference = static_cast<double>(expected[3 * x + c]) - built[3 * x + c];
      pixelSquares += difference * difference;
    }
    squares += pixelSquares;
    differentPixels += pixelSquares > 0 ? 1 : 0;
  }
  return squares;
}

// An 8-bit row through the page's colour table, as blue, green, red.
const uint8_t* WidenedRow(const PageState& page, const uint8_t* row, int32_t width, std::vector<uint8_t>& widened) {
  for (int32_t x = 0; x < width; ++x) {
    const RgbQuad& entry = page.info.RGBTable[row[x]];
    widened[3 * static_cast<size_t>(x)] = entry.rgbBlue;
    widened[3 * static_cast<size_t>(x) + 1] = entry.rgbGreen;
    widened[3 * static_cast<size_t>(x) + 2] = entry.rgbRed;
  }
  return widened.data();
}

}  // namespace

PageComparison CompareBuiltPage(const DocumentWriter& document, int32_t index, const PageImage& image,
                                const std::vector<uint8_t>* ink) {
  BuiltPage page;
  LoadWrittenPage(document, index, page);
  const bool bitonal = ink != nullptr;
  const uint16_t bits = page.state.info.BMIH.biBitCount;
  const uint64_t stride = RowBytes(bitonal ? 1 : 24, image.width);
  std::vector<uint8_t> expected(stride), widened(stride);
  PageComparison comparison{0, 0};
  double squares = 0;
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* built = page.state.bits + RowBytes(bits, image.width) * static_cast<uint64_t>(image.height - 1 - y);
    if (bits == kTableBits) built = WidenedRow(page.state, built, image.width, widened);
    ExpectedRow(image, ink, y, expected);
    if (std::memcmp(expected.data(), built, stride) == 0) continue;
    squares += RowSquares(expected, built, image.width, bitonal, comparison.differentPixels);
  }
  const double meanSquare = squares / (3.0 * image.width * image.height);
  comparison.psnr = meanSquare == 0 ? std::numeric_limits<double>::infinity()
                                    : 10 * std::log10(kPeak * kPeak / meanSquare);
  return comparison;
}
