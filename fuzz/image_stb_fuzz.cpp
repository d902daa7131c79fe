// Arbitrary bytes as a page image through the Windows build's decoders (the
// bundled single-header library for BMP, JPEG and PNG), fuzzed natively:
// reading refuses it with a message or gives a whole image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "input/page_image.h"

namespace {
constexpr int64_t kLargestFuzzedPixels = 1 << 16;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PageImage image;
  std::string error;
  if (!DecodePageImage(std::vector<uint8_t>(data, data + size), image, error, kLargestFuzzedPixels)) {
    if (error.empty()) std::abort();
    return 0;
  }
  const int64_t pixels = int64_t{image.width} * image.height;
  if (pixels <= 0 || pixels > kLargestFuzzedPixels || image.rgb.size() != static_cast<size_t>(3 * pixels)) std::abort();
  return 0;
}
