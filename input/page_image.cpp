#include "input/page_image.h"

#include <cstring>

#include "input/bmp_input.h"
#include "input/file_bytes.h"
#include "input/image_codecs.h"
#include "input/jpeg_reader.h"
#include "input/pnm_reader.h"
#include "input/stb_decoder.h"

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kBmpResolutionOffset = 38;  // in the information header, after 14 + 24 bytes
constexpr uint8_t kPngUnitMetre = 1;

uint32_t Little32(const uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

uint32_t Big32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) << 24 | at[1] << 16 | at[2] << 8 | at[3];
}

bool IsPng(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= sizeof kPngSignature && std::memcmp(bytes.data(), kPngSignature, sizeof kPngSignature) == 0;
}

int32_t PositiveOrZero(uint32_t value) { return value <= INT32_MAX ? static_cast<int32_t>(value) : 0; }

// BMP files hold it in the information header, PNG files in a pHYs chunk.
void ReadResolution(const std::vector<uint8_t>& bytes, PageImage& image) {
  if (IsBmp(bytes) && bytes.size() >= kBmpResolutionOffset + 8) {
    image.xPelsPerMetre = PositiveOrZero(Little32(&bytes[kBmpResolutionOffset]));
    image.yPelsPerMetre = PositiveOrZero(Little32(&bytes[kBmpResolutionOffset + 4]));
    return;
  }
  if (!IsPng(bytes)) return;
  size_t at = sizeof kPngSignature;
  while (at + 12 <= bytes.size()) {
    uint32_t length = Big32(&bytes[at]);
    if (length > bytes.size() - at - 12) return;
    const uint8_t* type = &bytes[at + 4];
    if (std::memcmp(type, "pHYs", 4) == 0 && length == 9 && type[12] == kPngUnitMetre) {
      image.xPelsPerMetre = PositiveOrZero(Big32(type + 4));
      image.yPelsPerMetre = PositiveOrZero(Big32(type + 8));
      return;
    }
    if (std::memcmp(type, "IDAT", 4) == 0) return;
    at += 12 + length;
  }
}

}  // namespace

bool ReadPageImage(const char* path, PageImage& image, std::string& error) {
  std::vector<uint8_t> bytes;
  switch (ReadFileBytes(path, bytes)) {
    case FileRead::kNotOpened:
      error = "cannot be opened";
      return false;
    case FileRead::kNotRead:
      error = "cannot be read";
      return false;
    case FileRead::kDone:
      break;
  }
  return DecodePageImage(bytes, image, error);
}

bool DecodePageImage(const std::vector<uint8_t>& bytes, PageImage& image, std::string& error, int64_t largestPixels) {
  if (IsPnm(bytes)) {
    if (!ReadPnm(bytes, largestPixels, image, error)) {
      error = "is not a readable image (" + error + ")";
      return false;
    }
    return true;
  }
  if (IsJpeg(bytes)) {
    if (!CheckJpegMarkers(bytes, error) || !DecodeJpeg(bytes, largestPixels, image, error)) return false;
    ReadJfifResolution(bytes, image);
    return true;
  }
  if (IsPng(bytes)) {
    if (!DecodePng(bytes, largestPixels, image, error)) return false;
  } else if (IsBmp(bytes)) {
    if (!CheckBmpPixels(bytes, largestPixels, error)) return false;
    if (!DecodeWithStb(bytes, largestPixels, image, error)) return false;
  } else {
    error = "is not a BMP, PNG, PNM or JPEG image";
    return false;
  }
  ReadResolution(bytes, image);
  return true;
}
