#include "input/page_image.h"

#include <cmath>

namespace {

constexpr double kMetresPerInch = 0.0254;

}  // namespace

int32_t PelsPerMetre(int32_t dotsPerInch) { return static_cast<int32_t>(std::lround(dotsPerInch / kMetresPerInch)); }

int32_t DotsPerInch(const PageImage& image) {
  return static_cast<int32_t>(std::lround(image.yPelsPerMetre * kMetresPerInch));
}

bool AcceptPageSize(int64_t width, int64_t height, int64_t largestPixels, std::string& error) {
  if (width <= 0 || height <= 0) {
    error = "has no pixels";
    return false;
  }
  // Each side is checked alone first, so that the product cannot overflow.
  if (width > largestPixels || height > largestPixels || width * height > largestPixels) {
    error = "is larger than " + std::to_string(largestPixels) + " pixels";
    return false;
  }
  return true;
}
