#include "input/stb_decoder.h"

#include <climits>

#include "stb_image.h"

bool DecodeWithStb(const std::vector<uint8_t>& bytes, int64_t largestPixels, PageImage& image, std::string& error) {
  int width, height, channels;
  if (bytes.size() > INT32_MAX) {
    error = "is too large a file";
    return false;
  }
  const int length = static_cast<int>(bytes.size());
  if (stbi_info_from_memory(bytes.data(), length, &width, &height, &channels) == 0) {
    error = std::string("is not a readable image (") + stbi_failure_reason() + ")";
    return false;
  }
  if (!AcceptPageSize(width, height, largestPixels, error)) return false;
  stbi_uc* pixels = stbi_load_from_memory(bytes.data(), length, &width, &height, &channels, 3);
  if (pixels == nullptr) {
    error = std::string("is not a readable image (") + stbi_failure_reason() + ")";
    return false;
  }
  image.width = width;
  image.height = height;
  image.rgb.assign(pixels, pixels + static_cast<size_t>(width) * height * 3);
  stbi_image_free(pixels);
  return true;
}
