#include "builder/threshold.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "builder/page_encoder.h"

namespace {

// Ink around `ink` and paper around `paper`, both spread by Gaussian noise.
Histogram Bimodal(int32_t ink, int32_t paper, double spread, int64_t inkPixels, int64_t paperPixels) {
  std::mt19937 random(7);
  std::normal_distribution<double> noise(0, spread);
  Histogram histogram{};
  auto add = [&](int32_t centre, int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
      const int32_t level = std::clamp(static_cast<int32_t>(std::lround(centre + noise(random))), 0, 255);
      ++histogram[static_cast<size_t>(level)];
    }
  };
  add(ink, inkPixels);
  add(paper, paperPixels);
  return histogram;
}

// A bimodal page is cut well clear of both levels' bulk (three spreads), so
// that neither noise turns into ink nor ink into paper; a page without two
// levels keeps the fallback, or paper noise alone would become specks of ink.
TEST(OtsuThreshold, CutsBetweenTwoLevelsElseKeepsTheFallback) {
  Histogram blank{};
  blank[255] = 1000;
  struct Case {
    const char* name;
    Histogram histogram;
    int32_t fallback;
    int32_t above, below;  // the cut lies strictly between
  };
  const Case cases[] = {
      {"dark text on white, a tenth ink", Bimodal(30, 230, 12, 10000, 90000), kDefaultThreshold, 30 + 36, 230 - 36},
      {"grey text on grey paper, little ink", Bimodal(90, 200, 10, 3000, 97000), kDefaultThreshold, 90 + 30, 200 - 30},
      {"faded scan: light ink on dull paper", Bimodal(120, 215, 8, 8000, 92000), kDefaultThreshold, 120 + 24, 215 - 24},
      {"half and half", Bimodal(60, 190, 15, 50000, 50000), kDefaultThreshold, 60 + 45, 190 - 45},
      {"blank", blank, kDefaultThreshold, kDefaultThreshold - 1, kDefaultThreshold + 1},
      {"no pixels", Histogram{}, kDefaultThreshold, kDefaultThreshold - 1, kDefaultThreshold + 1},
      {"paper noise alone", Bimodal(245, 250, 4, 5000, 5000), 77, 76, 78},
  };
  for (const Case& test : cases) {
    const int32_t cut = OtsuThreshold(test.histogram, test.fallback);
    EXPECT_GT(cut, test.above) << test.name;
    EXPECT_LT(cut, test.below) << test.name;
  }
}

TEST(OtsuThreshold, ThePageHistogramCountsBrightness) {
  // Ten by ten: three black rows, one red pixel (brightness 76), the rest white.
  PageImage page;
  page.width = page.height = 10;
  page.rgb.assign(300, 255);
  std::fill(page.rgb.begin(), page.rgb.begin() + 90, 0);
  page.rgb[3 * 55 + 1] = page.rgb[3 * 55 + 2] = 0;
  const Histogram histogram = BrightnessHistogram(page);
  EXPECT_EQ(histogram[0], 30);
  EXPECT_EQ(histogram[76], 1);
  EXPECT_EQ(histogram[255], 69);
  // Between-class variances: {0} against {76, 255} 30 x 70 x 252.44^2 =
  // 1.338e8; {0, 76} against {255} 31 x 69 x 252.55^2 = 1.364e8. The dot
  // goes with the black, and the cut is the first level above it.
  const int32_t cut = OtsuThreshold(histogram, kDefaultThreshold);
  EXPECT_EQ(cut, 77);
  const std::vector<uint8_t> ink = InkMap(page, cut);
  EXPECT_EQ(std::count(ink.begin(), ink.end(), 1), 31);
}

}  // namespace
