// Grey pages as 8-bit pages with a grey table, and pictures compact-coded
// only where that packs smaller than raw.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "tests/builder/builder_support.h"
#include "tests/document/test_host.h"
#include "builder/page_encoder.h"
#include "document/page_state.h"

using namespace testing_support;

namespace {

constexpr int32_t kWidth = 600, kHeight = 400;

PageImage Greyed(PageImage image) {
  for (size_t p = 0; p < image.rgb.size(); p += 3) {
    const uint8_t grey = static_cast<uint8_t>((image.rgb[p] + 2 * image.rgb[p + 1] + image.rgb[p + 2]) / 4);
    image.rgb[p] = image.rgb[p + 1] = image.rgb[p + 2] = grey;
  }
  return image;
}

// Text whose glyph edges are antialiased: every glyph a small picture of greys.
PageImage GreyTextPage() {
  PageImage page = TextPage(kWidth, kHeight, 3);
  for (size_t p = 0; p + 3 < page.rgb.size(); p += 3) {
    if (page.rgb[p] == 0 && page.rgb[p + 3] == 255) page.rgb[p + 3] = page.rgb[p + 4] = page.rgb[p + 5] = 160;
  }
  FillRect(page, 20, 380, 300, 6, 128, 128, 128);  // a grey rule: one grey, a mask
  return page;
}

// Black text on a pale yellow box: one picture, whose repeated glyphs pack
// far smaller raw than their sharp edges do compact-coded.
PageImage TextBoxPicture(int32_t width, int32_t height) {
  PageImage picture = TextPage(width, height, 5);
  for (size_t p = 0; p < picture.rgb.size(); p += 3) {
    if (picture.rgb[p] == 255) picture.rgb[p + 2] = 200;
  }
  return picture;
}

struct Built {
  DocumentWriter document;
  uint16_t bits;
};

Built Build(const PageImage& page, int32_t quality) {
  ResetHost();
  Built built;
  BeginDocument(built.document, 1);
  built.bits = WriteColourPage(built.document, page, quality, Switches{});
  EXPECT_TRUE(EndPage(built.document));
  return built;
}

TEST(GreyPages, BecomeEightBitPagesThatBuildBackExactly) {
  PageImage page = GreyTextPage();
  Paste(page, Greyed(PhotoPage(150, 100, 4)), 400, 50);
  const Built grey = Build(page, 0);
  EXPECT_EQ(grey.bits, 8);
  EXPECT_TRUE(SamePixels(LoadBuiltPage(grey.document, 0), page));
  EXPECT_EQ(Session().page.info.BMIH.biBitCount, 8);
  EXPECT_EQ(Session().page.colorCount, 256);
  EXPECT_EQ(Session().page.whiteIndex, 255);
  EXPECT_EQ(Session().page.blackIndex, 0);
  for (int32_t entry : {0, 77, 255}) {
    const RgbQuad& colour = Session().page.info.RGBTable[entry];
    EXPECT_EQ(colour.rgbBlue, entry);
    EXPECT_EQ(colour.rgbGreen, entry);
    EXPECT_EQ(colour.rgbRed, entry);
  }
  // One pixel that is not grey, in any one channel, makes it the 24-bit page
  // it was: three times the bitmap.
  for (const auto& [red, green, blue] :
       {std::tuple{251, 250, 250}, std::tuple{250, 251, 250}, std::tuple{250, 250, 251}}) {
    SetPixel(page, 599, 399, red, green, blue);
    const Built colour = Build(page, 0);
    EXPECT_EQ(colour.bits, 24) << red << " " << green << " " << blue;
    EXPECT_TRUE(SamePixels(LoadBuiltPage(colour.document, 0), page));
    EXPECT_GT(colour.document.bytes.size(), 2 * grey.document.bytes.size());
  }
}

// Each picture is compact-coded only where that packs smaller than raw, and
// a grey page stays 8-bit only while none is.
TEST(PicturePages, CompactOnlyWhereThatPacksSmaller) {
  struct Box {
    int32_t left, top, width, height;
    double leastPsnr;  // 1000: exact
  };
  struct Case {
    const char* name;
    std::function<PageImage()> make;
    uint16_t bits;
    int64_t compact, leastRaw;
    std::vector<Box> boxes;
  };
  const Case cases[] = {
      {"grey text: no picture smaller compact", [] { return GreyTextPage(); }, 8, 0, 1, {{0, 0, kWidth, kHeight, 1000}}},
      {"a grey photograph smaller compact", [] {
         PageImage page = GreyTextPage();
         Paste(page, Greyed(PhotoPage(200, 150, 8)), 350, 40);
         return page;
       }, 24, 1, 0, {{350, 40, 200, 150, 28}, {20, 380, 300, 6, 1000}}},  // the grey rule a mask of its grey
      {"a colour photograph, then a text box raw", [] {
         PageImage page = BlankImage(kWidth, kHeight);
         Paste(page, PhotoPage(200, 150, 8), 20, 20);
         Paste(page, TextBoxPicture(240, 120), 320, 240);
         return page;
       }, 24, 1, 1, {{20, 20, 200, 150, 28}, {320, 240, 240, 120, 1000}}},
  };
  for (const Case& c : cases) {
    const PageImage page = c.make();
    const Built built = Build(page, 50);
    EXPECT_EQ(built.bits, c.bits) << c.name;
    EXPECT_EQ(built.document.counts.compactPictures, c.compact) << c.name;
    EXPECT_GE(built.document.counts.rawPictures, c.leastRaw) << c.name;
    const PageImage back = LoadBuiltPage(built.document, 0);
    for (const Box& box : c.boxes) {
      EXPECT_GE(BoxPsnr(back, page, box.left, box.top, box.width, box.height), box.leastPsnr) << c.name << " at " << box.left;
    }
  }
}

}  // namespace
