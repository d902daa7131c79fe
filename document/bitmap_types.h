// The BMP headers as they lie in files: little-endian, packed.
#pragma once

#include <cstdint>

#pragma pack(push, 1)
struct BitmapFileHeader {
  uint16_t bfType;
  uint32_t bfSize;
  uint16_t bfReserved1;
  uint16_t bfReserved2;
  uint32_t bfOffBits;
};

struct BitmapInfoHeader {
  uint32_t biSize;
  int32_t biWidth;
  int32_t biHeight;
  uint16_t biPlanes;
  uint16_t biBitCount;
  uint32_t biCompression;
  uint32_t biSizeImage;
  int32_t biXPelsPerMeter;
  int32_t biYPelsPerMeter;
  uint32_t biClrUsed;
  uint32_t biClrImportant;
};

struct RgbQuad {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
};

constexpr int kMaxColors = 256;
// Files with a longer information header (108 or 124 bytes) keep the rest
// of it in front of their colours: the table holds all the bytes between
// the 40-byte header and the bits, so that the bitmap is described as the
// file describes it.
constexpr uint32_t kLongestInfoHeader = 124;
constexpr int kColorTableCapacity = kMaxColors + (kLongestInfoHeader - 40) / 4;

// The information header followed by room for a whole colour table.
struct BitmapInfo {
  BitmapInfoHeader BMIH;
  RgbQuad RGBTable[kColorTableCapacity];
};
#pragma pack(pop)

static_assert(sizeof(BitmapFileHeader) == 14, "file header is 14 bytes");
static_assert(sizeof(BitmapInfoHeader) == 40, "information header is 40 bytes");

constexpr uint16_t kBitmapType = 0x4D42;  // "BM"
constexpr uint32_t kBitmapHeadersSize = sizeof(BitmapFileHeader) + sizeof(BitmapInfoHeader);

// Bytes of one bitmap row: B x W bits padded to a multiple of 32.
inline uint64_t RowBytes(uint32_t bitsPerPixel, uint32_t width) {
  return ((uint64_t{bitsPerPixel} * width + 31) & ~uint64_t{31}) / 8;
}
