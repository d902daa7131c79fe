#include "render/page_pixels.h"

#include <cstring>
#include <vector>

#include "document/page_loader.h"
#include "document/page_state.h"

namespace {

constexpr uint32_t kLargestIndexedBits = 8;
constexpr uint32_t kHighColourBits = 16;
constexpr uint32_t kTrueColourBits = 24;
constexpr uint32_t kTrueColourAlphaBits = 32;
constexpr uint32_t kFiveBits = 0x1F;
constexpr uint8_t kWhite = 0xFF;

bool IsSupportedDepth(uint32_t bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == kHighColourBits || bits == kTrueColourBits ||
         bits == kTrueColourAlphaBits;
}

// Five bits widened to eight by repeating their top bits, so that 31 is 255.
uint8_t Widen5(uint32_t value) {
  value &= kFiveBits;
  return static_cast<uint8_t>((value << 3) | (value >> 2));
}

bool IndexedRow(const PagePixels& pixels, const uint8_t* row, uint8_t* rgb) {
  bool inTable = true;
  for (int32_t x = 0; x < pixels.width; ++x, rgb += 3) {
    const uint32_t index = FetchPixel(row, uint64_t{pixels.bits} * static_cast<uint64_t>(x), pixels.bits);
    if (index >= static_cast<uint32_t>(pixels.tableColours)) {
      rgb[0] = rgb[1] = rgb[2] = 0;
      inTable = false;
      continue;
    }
    const RgbQuad& colour = pixels.table[index];
    rgb[0] = colour.rgbRed;
    rgb[1] = colour.rgbGreen;
    rgb[2] = colour.rgbBlue;
  }
  return inTable;
}

void HighColourRow(const PagePixels& pixels, const uint8_t* row, uint8_t* rgb) {
  for (int32_t x = 0; x < pixels.width; ++x, row += 2, rgb += 3) {
    const uint32_t value = uint32_t{row[0]} | (uint32_t{row[1]} << 8);
    rgb[0] = Widen5(value >> 10);
    rgb[1] = Widen5(value >> 5);
    rgb[2] = Widen5(value);
  }
}

// Blue, green, red and, at 32 bits, a byte left unused.
void TrueColourRow(const PagePixels& pixels, const uint8_t* row, uint8_t* rgb) {
  const uint32_t step = pixels.bits / 8;
  for (int32_t x = 0; x < pixels.width; ++x, row += step, rgb += 3) {
    rgb[0] = row[2];
    rgb[1] = row[1];
    rgb[2] = row[0];
  }
}

PageTones RowTones(const uint8_t* rgb, int32_t width) {
  PageTones tones = PageTones::kBlackWhite;
  for (int32_t x = 0; x < width; ++x, rgb += 3) {
    if (rgb[0] != rgb[1] || rgb[1] != rgb[2]) return PageTones::kColour;
    if (rgb[0] != 0 && rgb[0] != kWhite) tones = PageTones::kGrey;
  }
  return tones;
}

// Whether a page of this depth and size can be written.
bool Writable(uint32_t bits, int32_t width, int32_t height, std::string& error) {
  if (!IsSupportedDepth(bits)) {
    error = "a page of " + std::to_string(bits) + " bits per pixel cannot be written in this format";
    return false;
  }
  const uint64_t rgbBytes = 3 * static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  if (rgbBytes > kLargestRgbBytes) {
    error = "the page is too large to be written in this format (" + std::to_string(width) + " x " +
            std::to_string(height) + " pixels)";
    return false;
  }
  return true;
}

const uint8_t* RowOf(const PagePixels& pixels, int32_t y) { return pixels.top + pixels.rowStep * y; }

}  // namespace

bool OpenPagePixels(const PageState& page, PagePixels& pixels, std::string& error) {
  const BitmapInfoHeader& info = page.info.BMIH;
  if (!Writable(info.biBitCount, info.biWidth, info.biHeight, error)) return false;
  int32_t headerEntries = 0;
  if (info.biSize > sizeof(BitmapInfoHeader) && info.biSize <= kLongestInfoHeader) {
    headerEntries = static_cast<int32_t>((info.biSize - sizeof(BitmapInfoHeader)) / sizeof(RgbQuad));
  }
  pixels.width = info.biWidth;
  pixels.height = info.biHeight;
  pixels.bits = info.biBitCount;
  pixels.stride = RowBytes(info.biBitCount, static_cast<uint32_t>(info.biWidth));
  // The bitmap holds its bottom row first.
  pixels.top = page.bits + pixels.stride * static_cast<uint64_t>(info.biHeight - 1);
  pixels.rowStep = -static_cast<int64_t>(pixels.stride);
  pixels.table = page.info.RGBTable + headerEntries;
  pixels.tableColours = page.colorCount > headerEntries ? page.colorCount - headerEntries : 0;
  return true;
}

bool OpenBitmapPixels(const kwen::Bitmap& page, std::vector<RgbQuad>& table, PagePixels& pixels, std::string& error) {
  if (!Writable(static_cast<uint32_t>(page.bitsPerPixel), page.width, page.height, error)) return false;
  table.clear();
  for (uint32_t colour : page.palette) {
    table.push_back(RgbQuad{static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                            static_cast<uint8_t>(colour >> 16), 0});
  }
  pixels.width = page.width;
  pixels.height = page.height;
  pixels.bits = static_cast<uint32_t>(page.bitsPerPixel);
  pixels.stride = static_cast<uint64_t>(page.stride);
  pixels.top = page.pixels.data();
  pixels.rowStep = page.stride;
  pixels.table = table.data();
  pixels.tableColours = static_cast<int32_t>(table.size());
  return true;
}

bool PageRowRgb(const PagePixels& pixels, int32_t y, uint8_t* rgb) {
  const uint8_t* row = RowOf(pixels, y);
  if (pixels.bits <= kLargestIndexedBits) return IndexedRow(pixels, row, rgb);
  if (pixels.bits == kHighColourBits) {
    HighColourRow(pixels, row, rgb);
  } else {
    TrueColourRow(pixels, row, rgb);
  }
  return true;
}

bool UniformPageColour(const PagePixels& pixels, uint8_t (&rgb)[3]) {
  std::vector<uint8_t> top(static_cast<size_t>(pixels.width) * 3);
  if (!PageRowRgb(pixels, 0, top.data())) return false;
  if (std::memcmp(top.data(), top.data() + 3, top.size() - 3) != 0) return false;
  const uint8_t* topRow = RowOf(pixels, 0);
  for (int32_t y = 1; y < pixels.height; ++y) {
    if (std::memcmp(RowOf(pixels, y), topRow, pixels.stride) != 0) {
      return false;
    }
  }
  std::memcpy(rgb, top.data(), 3);
  return true;
}

bool ClassifyPage(const PagePixels& pixels, PageTones& tones, std::string& error) {
  std::vector<uint8_t> rgb(static_cast<size_t>(pixels.width) * 3);
  tones = PageTones::kBlackWhite;
  for (int32_t y = 0; y < pixels.height; ++y) {
    if (!PageRowRgb(pixels, y, rgb.data())) {
      error = "the page has pixels past its table of " + std::to_string(pixels.tableColours) + " colours";
      return false;
    }
    const PageTones row = RowTones(rgb.data(), pixels.width);
    if (row > tones) tones = row;
  }
  return true;
}
