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

TEST(OtsuThreshold, CutsBetweenTheTwoLevelsOfABimodalPage) {
  struct Case {
    const char* name;
    int32_t ink, paper;
    double spread;
    int64_t inkPixels, paperPixels;
  };
  const Case cases[] = {
      {"dark text on white, a tenth ink", 30, 230, 12, 10000, 90000},
      {"grey text on grey paper, little ink", 90, 200, 10, 3000, 97000},
      {"faded scan: light ink on dull paper", 120, 215, 8, 8000, 92000},
      {"half and half", 60, 190, 15, 50000, 50000},
  };
  for (const Case& test : cases) {
    const int32_t cut = OtsuThreshold(Bimodal(test.ink, test.paper, test.spread, test.inkPixels, test.paperPixels),
                                      kDefaultThreshold);
    // Well clear of both levels' bulk (three spreads), so that neither noise
    // turns into ink nor ink into paper.
    EXPECT_GT(cut, test.ink + 3 * test.spread) << test.name;
    EXPECT_LT(cut, test.paper - 3 * test.spread) << test.name;
  }
}

TEST(OtsuThreshold, PagesWithoutTwoLevelsKeepTheFallback) {
  Histogram blank{};
  blank[255] = 1000;
  EXPECT_EQ(OtsuThreshold(blank, kDefaultThreshold), kDefaultThreshold);
  EXPECT_EQ(OtsuThreshold(Histogram{}, kDefaultThreshold), kDefaultThreshold);
  // Paper noise alone would otherwise become specks of ink.
  EXPECT_EQ(OtsuThreshold(Bimodal(245, 250, 4, 5000, 5000), 77), 77);
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
