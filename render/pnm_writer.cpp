#include "render/pnm_writer.h"

#include <algorithm>

namespace {

constexpr int kMaximumValue = 255;
constexpr uint8_t kHighBit = 0x80;

const char* MagicOf(PnmKind kind) {
  switch (kind) {
    case PnmKind::kBitmap: return "P4";
    case PnmKind::kGreymap: return "P5";
    case PnmKind::kPixmap: break;
  }
  return "P6";
}

// Bytes of one row in the file; sizes are bounded by kLargestRgbBytes.
size_t FileRowBytes(PnmKind kind, int32_t width) {
  const size_t pixels = static_cast<size_t>(width);
  if (kind == PnmKind::kBitmap) return (pixels + 7) / 8;
  return kind == PnmKind::kGreymap ? pixels : 3 * pixels;
}

std::string HeaderOf(PnmKind kind, const PagePixels& pixels) {
  std::string header = std::string(MagicOf(kind)) + "\n" + std::to_string(pixels.width) + " " +
                       std::to_string(pixels.height) + "\n";
  if (kind != PnmKind::kBitmap) header += std::to_string(kMaximumValue) + "\n";
  return header;
}

// A bitmap's 1 is black; a greymap's grey is any of the equal colours.
void StoreRow(PnmKind kind, const uint8_t* rgb, int32_t width, uint8_t* out) {
  if (kind == PnmKind::kPixmap) {
    std::copy(rgb, rgb + 3 * static_cast<size_t>(width), out);
    return;
  }
  for (int32_t x = 0; x < width; ++x, rgb += 3) {
    if (kind == PnmKind::kGreymap) {
      out[x] = rgb[0];
    } else if (rgb[0] == 0) {
      out[x >> 3] |= static_cast<uint8_t>(kHighBit >> (x & 7));
    }
  }
}

bool KindHolds(PnmKind kind, PageTones tones, std::string& error) {
  if (kind == PnmKind::kBitmap && tones != PageTones::kBlackWhite) {
    error = "a .pbm file holds black and white only, and the page has other colours";
    return false;
  }
  if (kind == PnmKind::kGreymap && tones == PageTones::kColour) {
    error = "a .pgm file holds greys only, and the page has colours";
    return false;
  }
  return true;
}

}  // namespace

bool EncodePnm(const PagePixels& pixels, PageTones tones, PnmKind kind, std::vector<uint8_t>& bytes,
               std::string& error) {
  if (!KindHolds(kind, tones, error)) return false;
  const std::string header = HeaderOf(kind, pixels);
  const size_t rowBytes = FileRowBytes(kind, pixels.width);
  bytes.assign(header.begin(), header.end());
  bytes.resize(header.size() + rowBytes * static_cast<size_t>(pixels.height), 0);
  std::vector<uint8_t> rgb(3 * static_cast<size_t>(pixels.width));
  for (int32_t y = 0; y < pixels.height; ++y) {
    PageRowRgb(pixels, y, rgb.data());
    StoreRow(kind, rgb.data(), pixels.width, bytes.data() + header.size() + rowBytes * static_cast<size_t>(y));
  }
  return true;
}
