#include "input/pnm_reader.h"

#include <cctype>

namespace {

constexpr uint32_t kLargestMaxValue = 65535;

struct PnmCursor {
  const std::vector<uint8_t>& bytes;
  size_t at;
};

void SkipSpaceAndComments(PnmCursor& cursor) {
  while (cursor.at < cursor.bytes.size()) {
    uint8_t c = cursor.bytes[cursor.at];
    if (c == '#') {
      while (cursor.at < cursor.bytes.size() && cursor.bytes[cursor.at] != '\n') ++cursor.at;
    } else if (std::isspace(c)) {
      ++cursor.at;
    } else {
      return;
    }
  }
}

bool ReadDecimal(PnmCursor& cursor, uint32_t& value) {
  SkipSpaceAndComments(cursor);
  size_t start = cursor.at;
  uint64_t number = 0;
  while (cursor.at < cursor.bytes.size() && std::isdigit(cursor.bytes[cursor.at]) && number <= UINT32_MAX) {
    number = number * 10 + (cursor.bytes[cursor.at++] - '0');
  }
  if (cursor.at == start || number > UINT32_MAX) return false;
  value = static_cast<uint32_t>(number);
  return true;
}

// A plain PBM may run its digits together.
bool ReadPlainBit(PnmCursor& cursor, uint32_t& value) {
  SkipSpaceAndComments(cursor);
  if (cursor.at >= cursor.bytes.size()) return false;
  uint8_t c = cursor.bytes[cursor.at++];
  if (c != '0' && c != '1') return false;
  value = c - '0';
  return true;
}

uint8_t Scale(uint32_t sample, uint32_t maxValue) {
  if (sample >= maxValue) return 255;
  return static_cast<uint8_t>((sample * 255u + maxValue / 2) / maxValue);
}

bool ReadRawSample(PnmCursor& cursor, uint32_t maxValue, uint32_t& value) {
  const size_t width = maxValue > 255 ? 2 : 1;
  if (cursor.bytes.size() - cursor.at < width) return false;
  value = cursor.bytes[cursor.at++];
  if (width == 2) value = (value << 8) | cursor.bytes[cursor.at++];
  return true;
}

bool ReadBitmapPixels(PnmCursor& cursor, bool plain, PageImage& image) {
  const size_t rowBytes = (static_cast<size_t>(image.width) + 7) / 8;
  for (int32_t y = 0; y < image.height; ++y) {
    if (!plain && cursor.bytes.size() - cursor.at < rowBytes) return false;
    for (int32_t x = 0; x < image.width; ++x) {
      uint32_t ink;
      if (plain) {
        if (!ReadPlainBit(cursor, ink)) return false;
      } else {
        ink = (cursor.bytes[cursor.at + x / 8] >> (7 - x % 8)) & 1u;
      }
      uint8_t* pixel = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
      pixel[0] = pixel[1] = pixel[2] = ink ? 0 : 255;
    }
    if (!plain) cursor.at += rowBytes;
  }
  return true;
}

bool ReadSamplePixels(PnmCursor& cursor, bool plain, int channels, uint32_t maxValue, PageImage& image) {
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  for (size_t p = 0; p < pixels; ++p) {
    uint8_t* pixel = &image.rgb[p * 3];
    for (int c = 0; c < channels; ++c) {
      uint32_t sample;
      if (plain ? !ReadDecimal(cursor, sample) : !ReadRawSample(cursor, maxValue, sample)) return false;
      pixel[c] = Scale(sample, maxValue);
    }
    if (channels == 1) pixel[1] = pixel[2] = pixel[0];
  }
  return true;
}

}  // namespace

bool IsPnm(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6';
}

bool ReadPnm(const std::vector<uint8_t>& bytes, int64_t largestPixels, PageImage& image, std::string& error) {
  const int kind = bytes[1] - '0';
  const bool plain = kind <= 3;
  const bool bitmap = kind == 1 || kind == 4;
  const int channels = (kind == 3 || kind == 6) ? 3 : 1;
  PnmCursor cursor{bytes, 2};
  uint32_t width, height, maxValue = 1;
  if (!ReadDecimal(cursor, width) || !ReadDecimal(cursor, height) ||
      (!bitmap && !ReadDecimal(cursor, maxValue))) {
    error = "the PNM header is incomplete";
    return false;
  }
  if (maxValue == 0 || maxValue > kLargestMaxValue) {
    error = "the PNM maximum value is not between 1 and 65535";
    return false;
  }
  if (!AcceptPageSize(width, height, largestPixels, error)) return false;
  if (!plain) ++cursor.at;  // the single blank before raw pixels
  if (cursor.at > bytes.size()) {
    error = "the PNM pixels are cut short or damaged";
    return false;
  }
  image.width = static_cast<int32_t>(width);
  image.height = static_cast<int32_t>(height);
  image.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
  bool complete = bitmap ? ReadBitmapPixels(cursor, plain, image)
                         : ReadSamplePixels(cursor, plain, channels, maxValue, image);
  if (!complete) error = "the PNM pixels are cut short or damaged";
  return complete;
}
