#include "builder/threshold.h"

namespace {

constexpr double kLeastContrast = kBrightnessLevels / 4.0;

}  // namespace

Histogram BrightnessHistogram(const PageImage& image) {
  Histogram histogram{};
  for (size_t p = 0; p + 2 < image.rgb.size(); p += 3) ++histogram[static_cast<size_t>(Brightness(&image.rgb[p]))];
  return histogram;
}

int32_t OtsuThreshold(const Histogram& histogram, int32_t fallback) {
  double total = 0, totalSum = 0;
  for (int32_t level = 0; level < kBrightnessLevels; ++level) {
    total += static_cast<double>(histogram[level]);
    totalSum += static_cast<double>(level) * static_cast<double>(histogram[level]);
  }
  double darkCount = 0, darkSum = 0, bestVariance = -1, bestContrast = 0;
  int32_t best = fallback;
  // Level t puts 0 to t in the dark class: the threshold is t + 1.
  for (int32_t level = 0; level + 1 < kBrightnessLevels; ++level) {
    darkCount += static_cast<double>(histogram[level]);
    darkSum += static_cast<double>(level) * static_cast<double>(histogram[level]);
    const double lightCount = total - darkCount;
    if (darkCount == 0 || lightCount == 0) continue;
    const double darkMean = darkSum / darkCount, lightMean = (totalSum - darkSum) / lightCount;
    const double variance = darkCount * lightCount * (lightMean - darkMean) * (lightMean - darkMean);
    if (variance > bestVariance) {
      bestVariance = variance;
      bestContrast = lightMean - darkMean;
      best = level + 1;
    }
  }
  return bestVariance >= 0 && bestContrast >= kLeastContrast ? best : fallback;
}
