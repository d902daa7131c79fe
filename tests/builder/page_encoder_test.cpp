#include "builder/page_encoder.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/builder/builder_support.h"
#include "tests/document/test_host.h"
#include "builder/page_check.h"
#include "builder/spot_finder.h"
#include "engine/memory_pack.h"
#include "document/page_state.h"

using namespace testing_support;

namespace {

DocumentWriter BuildBitonal(const PageImage& page) {
  DocumentWriter document;
  BeginDocument(document, 1);
  WriteBitonalPage(document, page, InkMap(page, kDefaultThreshold));
  EXPECT_TRUE(EndPage(document));
  return document;
}

DocumentWriter BuildColour(const PageImage& page, int32_t quality) {
  DocumentWriter document;
  BeginDocument(document, 1);
  WriteColourPage(document, page, quality, Switches{});
  EXPECT_TRUE(EndPage(document));
  return document;
}

TEST(BitonalPages, EveryKindBuildsBackExactly) {
  const std::pair<const char*, std::function<PageImage()>> cases[] = {
      {"text at 300 dpi", [] { return TextPage(2550, 900, 7); }},
      {"table with long rules", [] { return TablePage(1700, 1100); }},
      {"one large component", [] { return SpiralPage(600, 500); }},
      {"empty page", [] { return BlankImage(850, 1100); }},
      {"all ink", [] {
         PageImage image = BlankImage(33, 17);
         FillRect(image, 0, 0, 33, 17, 0, 0, 0);
         return image;
       }},
      {"ink in two corners", [] {
         PageImage image = BlankImage(9, 9);
         FillRect(image, 0, 0, 1, 1, 0, 0, 0);
         FillRect(image, 8, 8, 1, 1, 0, 0, 0);
         return image;
       }},
      {"a page of one pixel", [] { return BlankImage(1, 1); }},
  };
  for (const auto& [name, make] : cases) {
    ResetHost();
    const PageImage page = make();
    ASSERT_TRUE(IsBlackAndWhite(page)) << name;
    EXPECT_TRUE(SamePixels(LoadBuiltPage(BuildBitonal(page), 0), page)) << name;
    EXPECT_EQ(Session().page.info.BMIH.biBitCount, 1) << name;
    EXPECT_TRUE(Session().page.ready) << name;  // the viewer paints only pages that drew a spot, empty ones too
  }
}

// Dots at every other pixel of every other row, a spot for every 4 pixels:
// more than a page holds, so the page is one picture, which builds back
// exactly (131 rows: the columns end inside a byte).
TEST(DensePages, AreOnePictureThatBuildsBackExactly) {
  PageImage page = BlankImage(130, 131);
  for (int32_t y = 0; y < page.height; y += 2) {
    for (int32_t x = 0; x < page.width; x += 2) SetPixel(page, x, y, 0, 0, 0);
  }
  const std::vector<uint8_t> ink = InkMap(page, kDefaultThreshold);
  ASSERT_FALSE(SpotsWithinBudget(ink, page.width, page.height));
  ResetHost();
  DocumentWriter bitonal;
  BeginDocument(bitonal, 1);
  WriteBitonalPicturePage(bitonal, page, ink);
  ASSERT_TRUE(EndPage(bitonal));
  EXPECT_TRUE(SamePixels(LoadBuiltPage(bitonal, 0), page));
  EXPECT_EQ(Session().page.info.BMIH.biBitCount, 1);
  SetPixel(page, 0, 0, 255, 0, 0);
  ResetHost();
  const DocumentWriter colour = BuildColour(page, 0);
  EXPECT_TRUE(SamePixels(LoadBuiltPage(colour, 0), page));
  for (const DocumentWriter* document : {static_cast<const DocumentWriter*>(&bitonal), &colour}) {
    EXPECT_EQ(document->counts.rawPictures, 1);
    EXPECT_EQ(document->counts.inlineMasks + document->counts.references, 0);
  }
}

TEST(BitonalPages, ThresholdCutsGreyAndColour) {
  PageImage page = BlankImage(4, 1);
  SetPixel(page, 0, 0, 127, 127, 127);
  SetPixel(page, 1, 0, 128, 128, 128);
  SetPixel(page, 2, 0, 255, 0, 0);   // brightness 76
  SetPixel(page, 3, 0, 0, 255, 255); // brightness 178
  EXPECT_FALSE(IsBlackAndWhite(page));
  EXPECT_EQ(InkMap(page, 128), (std::vector<uint8_t>{1, 0, 1, 0}));
  EXPECT_EQ(InkMap(page, 200), (std::vector<uint8_t>{1, 1, 1, 1}));
}

TEST(ColourPages, LosslessPicturesAndSingleColourMasks) {
  ResetHost();
  PageImage page = BlankImage(400, 300);
  Paste(page, PhotoPage(120, 80, 5), 200, 150);
  FillRect(page, 10, 10, 150, 20, 200, 30, 30);   // a coloured heading bar
  FillRect(page, 10, 50, 40, 40, 0, 0, 0);        // black
  FillRect(page, 60, 50, 40, 40, 0, 0, 0);        // the same black shape again
  FillRect(page, 190, 140, 30, 30, 20, 90, 200);  // under the photograph's corner
  SetPixel(page, 399, 299, 254, 255, 255);         // nearly white is not white
  DocumentWriter document = BuildColour(page, 0);
  EXPECT_TRUE(SamePixels(LoadBuiltPage(document, 0), page));
  EXPECT_EQ(Session().page.info.BMIH.biBitCount, 24);
  // The photograph with the square it touches is the one picture; the bar,
  // the black squares and the dot are masks.
  EXPECT_EQ(document.counts.references, 1);
  EXPECT_EQ(document.counts.inlineMasks, 3);
  EXPECT_EQ(document.counts.rawPictures, 1);
  EXPECT_EQ(document.counts.compactPictures, 0);
}

// Coarser steps lose more and leave more zero coefficients, which pack smaller.
TEST(ColourPages, CompactPicturesStayCloseAndShrinkWithQuality) {
  const PageImage page = PhotoPage(300, 200, 9);
  double previousPsnr = 1000;
  size_t previousSize = SIZE_MAX;
  for (int32_t quality : {100, 75, 50, 10}) {
    ResetHost();
    DocumentWriter document = BuildColour(page, quality);
    const double psnr = BoxPsnr(LoadBuiltPage(document, 0), page);
    EXPECT_GT(psnr, quality == 100 ? 38 : 28) << quality;
    EXPECT_LE(psnr, previousPsnr) << quality;
    EXPECT_EQ(document.counts.compactPictures, 1) << quality;
    EXPECT_NEAR(CompareBuiltPage(document, 0, page, nullptr).psnr, psnr, 1e-9) << quality;
    const size_t packed = PackBytes(document.bytes.data(), document.bytes.size(), Switches{}).size();
    EXPECT_LT(packed, previousSize) << quality;
    previousSize = packed;
    previousPsnr = psnr;
  }
}

TEST(ColourPages, MasksKeepTheirColoursOverLossyPictures) {
  ResetHost();
  // A red square in a white frame inside a photograph: a mask over the picture.
  PageImage page = PhotoPage(90, 90, 2);
  FillRect(page, 28, 28, 24, 24, 255, 255, 255);
  FillRect(page, 30, 30, 20, 20, 250, 10, 10);
  DocumentWriter document = BuildColour(page, 20);
  const PageImage built = LoadBuiltPage(document, 0);
  for (int32_t y = 30; y < 50; ++y) {
    for (int32_t x = 30; x < 50; ++x) {
      const uint8_t* pixel = &built.rgb[(static_cast<size_t>(y) * 90 + x) * 3];
      ASSERT_EQ(Bytes(pixel, pixel + 3), (Bytes{250, 10, 10})) << x << "," << y;
    }
  }
}

}  // namespace
