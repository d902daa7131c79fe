#include "render/pixel_tones.h"

#include <cstring>

#include "document/page_loader.h"

namespace {

constexpr uint32_t kLargestIndexedBits = 8;
constexpr uint32_t kHighColourBits = 16;
constexpr uint32_t kFiveBits = 0x1F;

uint8_t Widen5(uint32_t value) {
  value &= kFiveBits;
  return static_cast<uint8_t>((value << 3) | (value >> 2));
}

}  // namespace

uint8_t GreyOf(uint8_t red, uint8_t green, uint8_t blue) {
  if (red == green && green == blue) return red;
  return static_cast<uint8_t>((299u * red + 587u * green + 114u * blue + 500u) / 1000u);
}

PixelTones::PixelTones(uint32_t bits, const RgbQuad* table, int32_t colours, int channels)
    : bits_(bits), channels_(channels) {
  if (bits > kLargestIndexedBits) {
    allGrey_ = false;
    return;
  }
  const uint32_t entries = 1u << bits;
  lookup_.assign(static_cast<size_t>(entries) * channels, 0);
  for (uint32_t index = 0; index < entries; ++index) {
    RgbQuad colour{0, 0, 0, 0};
    if (index < static_cast<uint32_t>(colours)) colour = table[index];
    if (colour.rgbRed != colour.rgbGreen || colour.rgbGreen != colour.rgbBlue) allGrey_ = false;
    uint8_t* to = &lookup_[static_cast<size_t>(index) * channels];
    if (channels == 1) {
      to[0] = GreyOf(colour.rgbRed, colour.rgbGreen, colour.rgbBlue);
    } else {
      to[0] = colour.rgbRed;
      to[1] = colour.rgbGreen;
      to[2] = colour.rgbBlue;
    }
  }
  if (bits == 1 && channels == 1) {
    byteOfBits_.resize(256);
    for (uint32_t byte = 0; byte < 256; ++byte) {
      uint8_t eight[8];
      for (int bit = 0; bit < 8; ++bit) eight[bit] = lookup_[(byte >> (7 - bit)) & 1u];
      std::memcpy(&byteOfBits_[byte], eight, 8);
    }
  }
}

void PixelTones::Convert(const uint8_t* row, int32_t width, uint8_t* out) const {
  if (!byteOfBits_.empty()) {
    const int32_t wholeBytes = width / 8;
    for (int32_t i = 0; i < wholeBytes; ++i) std::memcpy(out + 8 * i, &byteOfBits_[row[i]], 8);
    for (int32_t x = wholeBytes * 8; x < width; ++x) out[x] = lookup_[(row[x / 8] >> (7 - x % 8)) & 1u];
    return;
  }
  if (bits_ <= kLargestIndexedBits) {
    for (int32_t x = 0; x < width; ++x, out += channels_) {
      const uint32_t index = FetchPixel(row, uint64_t{bits_} * static_cast<uint64_t>(x), bits_);
      std::memcpy(out, &lookup_[static_cast<size_t>(index) * channels_], static_cast<size_t>(channels_));
    }
    return;
  }
  const uint32_t step = bits_ / 8;
  for (int32_t x = 0; x < width; ++x, out += channels_) {
    uint8_t red, green, blue;
    if (bits_ == kHighColourBits) {
      const uint32_t value = uint32_t{row[2 * x]} | (uint32_t{row[2 * x + 1]} << 8);
      red = Widen5(value >> 10);
      green = Widen5(value >> 5);
      blue = Widen5(value);
    } else {
      const uint8_t* pixel = row + static_cast<size_t>(step) * x;
      red = pixel[2];
      green = pixel[1];
      blue = pixel[0];
    }
    if (channels_ == 1) {
      out[0] = GreyOf(red, green, blue);
    } else {
      out[0] = red;
      out[1] = green;
      out[2] = blue;
    }
  }
}
