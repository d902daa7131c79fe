#include "input/jpeg_reader.h"

#include <cmath>
#include <cstring>

namespace {

constexpr uint8_t kMarker = 0xFF;
constexpr uint8_t kStartOfImage = 0xD8, kEndOfImage = 0xD9, kStartOfScan = 0xDA, kApp0 = 0xE0;
constexpr uint8_t kFirstRestart = 0xD0, kLastRestart = 0xD7, kStandalone = 0x01;
constexpr uint8_t kJfifDotsPerInch = 1, kJfifDotsPerCentimetre = 2;
constexpr double kInchesPerMetre = 1 / 0.0254;
constexpr double kCentimetresPerMetre = 100;

uint32_t Big16(const uint8_t* at) { return uint32_t{at[0]} << 8 | at[1]; }

bool HasNoLength(uint8_t marker) {
  return marker == kStartOfImage || marker == kEndOfImage || marker == kStandalone ||
         (marker >= kFirstRestart && marker <= kLastRestart);
}

// After a scan header: the coded data up to the next marker that is not a
// stuffed 0xFF, a restart or fill. Returns its offset, or the file's size.
size_t SkipCodedData(const std::vector<uint8_t>& bytes, size_t at) {
  while (at + 1 < bytes.size()) {
    if (bytes[at] != kMarker) {
      ++at;
      continue;
    }
    const uint8_t next = bytes[at + 1];
    if (next == 0 || (next >= kFirstRestart && next <= kLastRestart)) {
      at += 2;
    } else if (next == kMarker) {
      ++at;
    } else {
      return at;
    }
  }
  return bytes.size();
}

}  // namespace

bool IsJpeg(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= 3 && bytes[0] == kMarker && bytes[1] == kStartOfImage && bytes[2] == kMarker;
}

bool CheckJpegMarkers(const std::vector<uint8_t>& bytes, std::string& error) {
  size_t at = 2;
  while (at + 1 < bytes.size()) {
    if (bytes[at] != kMarker) {
      error = "is damaged (a JPEG segment does not start with a marker)";
      return false;
    }
    const uint8_t marker = bytes[at + 1];
    if (marker == kMarker) {
      ++at;
      continue;
    }
    if (marker == kEndOfImage) return true;
    if (HasNoLength(marker)) {
      at += 2;
      continue;
    }
    if (at + 4 > bytes.size() || Big16(&bytes[at + 2]) < 2 || at + 2 + Big16(&bytes[at + 2]) > bytes.size()) break;
    at += 2 + Big16(&bytes[at + 2]);
    if (marker == kStartOfScan) at = SkipCodedData(bytes, at);
  }
  error = "is cut short (the JPEG data end before their end mark)";
  return false;
}

void ReadJfifResolution(const std::vector<uint8_t>& bytes, PageImage& image) {
  // SOI, then APP0: length, "JFIF\0", version (2), units, x and y density.
  constexpr size_t kSegment = 2, kIdentifier = 6, kUnits = 13, kDensity = 14, kEnd = 18;
  if (bytes.size() < kEnd || bytes[kSegment + 1] != kApp0 || std::memcmp(&bytes[kIdentifier], "JFIF", 5) != 0) return;
  const double perUnit = bytes[kUnits] == kJfifDotsPerInch         ? kInchesPerMetre
                         : bytes[kUnits] == kJfifDotsPerCentimetre ? kCentimetresPerMetre
                                                                   : 0;
  const uint32_t x = Big16(&bytes[kDensity]), y = Big16(&bytes[kDensity + 2]);
  if (perUnit == 0 || x == 0 || y == 0) return;
  image.xPelsPerMetre = static_cast<int32_t>(std::lround(x * perUnit));
  image.yPelsPerMetre = static_cast<int32_t>(std::lround(y * perUnit));
}
