// Arbitrary bytes as a TIFF file: opening and reading every page either
// refuses with a message or gives an image of the size the page declares,
// never larger than the limit given.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "input/tiff_reader.h"

namespace {
constexpr int64_t kLargestFuzzedPixels = 1 << 16;
constexpr int32_t kPagesRead = 4;

std::string ScratchPath() { return "/tmp/tiff_fuzz." + std::to_string(getpid()) + ".tif"; }

bool WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = ScratchPath();
  if (!WriteScratch(path, data, size)) std::abort();
  std::string error;
  TiffFile* file = OpenTiff(path.c_str(), error);
  if (file == nullptr) {
    if (error.empty()) std::abort();
  } else {
    const int32_t pages = TiffPageCount(file);
    for (int32_t page = 0; page < pages && page < kPagesRead; ++page) {
      PageImage image;
      error.clear();
      if (ReadTiffPage(file, page, kLargestFuzzedPixels, image, error)) {
        if (int64_t{image.width} * image.height > kLargestFuzzedPixels) std::abort();
      } else if (error.empty()) {
        std::abort();
      }
    }
    CloseTiff(file);
  }
  std::remove(path.c_str());
  return 0;
}
