#include "input/bmp_input.h"

#include <cstdlib>

#include "input/page_image.h"

namespace {

// Offsets in the file header (14 bytes) and the information header after it.
constexpr size_t kPixelOffsetField = 10, kFileHeaderBytes = 14;
constexpr size_t kHeaderSizeField = 14, kWidthField = 18, kHeightField = 22, kBitCountField = 28,
                 kCompressionField = 30;
constexpr size_t kCoreHeaderBytes = 12;  // the oldest header: 16-bit sides
constexpr size_t kCoreWidthField = 18, kCoreHeightField = 20, kCoreBitCountField = 24;
constexpr size_t kLeastBytes = kFileHeaderBytes + kCoreHeaderBytes;
constexpr uint32_t kUncompressed = 0, kBitFields = 3, kAlphaBitFields = 6;

uint32_t Little16(const std::vector<uint8_t>& bytes, size_t at) { return bytes[at] | uint32_t{bytes[at + 1]} << 8; }

uint32_t Little32(const std::vector<uint8_t>& bytes, size_t at) {
  return Little16(bytes, at) | Little16(bytes, at + 2) << 16;
}

struct BmpLayout {
  uint64_t headerEnd = 0;
  int64_t width = 0, height = 0;  // the height's magnitude: negative is top row first
  uint32_t bitCount = 0;
  bool compressed = false;
  bool unknown = false;
};

// False when the headers themselves run past the file.
bool ReadLayout(const std::vector<uint8_t>& bytes, BmpLayout& layout) {
  if (bytes.size() < kLeastBytes) return false;
  const uint32_t headerBytes = Little32(bytes, kHeaderSizeField);
  layout.headerEnd = kFileHeaderBytes + uint64_t{headerBytes};
  if (bytes.size() < layout.headerEnd) return false;
  if (headerBytes == kCoreHeaderBytes) {
    layout.width = Little16(bytes, kCoreWidthField);
    layout.height = Little16(bytes, kCoreHeightField);
    layout.bitCount = Little16(bytes, kCoreBitCountField);
    return true;
  }
  if (layout.headerEnd < kCompressionField + 4) {
    layout.unknown = true;  // the library refuses it
    return true;
  }
  layout.width = static_cast<int32_t>(Little32(bytes, kWidthField));
  layout.height = std::llabs(static_cast<int32_t>(Little32(bytes, kHeightField)));
  layout.bitCount = Little16(bytes, kBitCountField);
  const uint32_t compression = Little32(bytes, kCompressionField);
  layout.compressed = compression != kUncompressed && compression != kBitFields && compression != kAlphaBitFields;
  return true;
}

}  // namespace

bool IsBmp(const std::vector<uint8_t>& bytes) { return bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M'; }

bool CheckBmpPixels(const std::vector<uint8_t>& bytes, int64_t largestPixels, std::string& error) {
  BmpLayout layout;
  if (!ReadLayout(bytes, layout)) {
    error = "is cut short (the file ends inside the BMP headers)";
    return false;
  }
  if (layout.unknown) return true;
  if (!AcceptPageSize(layout.width, layout.height, largestPixels, error)) return false;
  if (layout.compressed) return true;
  // Rows are padded to 4 bytes; the sides are at most largestPixels, so
  // nothing here overflows.
  const uint64_t rowBytes = (uint64_t{layout.bitCount} * static_cast<uint64_t>(layout.width) + 31) / 32 * 4;
  const uint64_t pixelsStart = Little32(bytes, kPixelOffsetField);
  if (pixelsStart < layout.headerEnd) {
    error = "is damaged (its pixels would start inside the BMP headers)";
    return false;
  }
  const uint64_t needed = pixelsStart + rowBytes * static_cast<uint64_t>(layout.height);
  if (needed > bytes.size()) {
    error = "is cut short (its pixels need " + std::to_string(needed) + " bytes, the file has " +
            std::to_string(bytes.size()) + ")";
    return false;
  }
  return true;
}
