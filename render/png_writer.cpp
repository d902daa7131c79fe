#include "render/png_writer.h"

#include "input/image_codecs.h"

namespace {

constexpr int kGreyChannels = 1;
constexpr int kColourChannels = 3;

// The page's pixels, top row first, in `channels` bytes each; a grey is any
// of its equal colours. Sizes are bounded by kLargestRgbBytes.
std::vector<uint8_t> PageSamples(const PagePixels& pixels, int channels) {
  const size_t width = static_cast<size_t>(pixels.width);
  std::vector<uint8_t> samples(width * channels * static_cast<size_t>(pixels.height));
  std::vector<uint8_t> rgb(3 * width);
  for (int32_t y = 0; y < pixels.height; ++y) {
    PageRowRgb(pixels, y, rgb.data());
    uint8_t* out = samples.data() + width * channels * static_cast<size_t>(y);
    for (size_t x = 0; x < width; ++x) {
      for (int c = 0; c < channels; ++c) out[channels * x + c] = rgb[3 * x + c];
    }
  }
  return samples;
}

}  // namespace

bool EncodePng(const PagePixels& pixels, PageTones tones, std::vector<uint8_t>& bytes, std::string& error) {
  const int channels = tones == PageTones::kColour ? kColourChannels : kGreyChannels;
  return EncodePngSamples(PageSamples(pixels, channels), pixels.width, pixels.height, channels, bytes, error);
}
