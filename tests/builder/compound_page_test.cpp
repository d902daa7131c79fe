// Scanned pages as the automatic mode stores them: what it finds on them,
// the paper it makes white, the glyphs it keeps and the colours of its
// pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "builder/compound_page.h"
#include "builder/spot_finder.h"
#include "tests/builder/builder_support.h"

using namespace testing_support;

namespace {

constexpr int32_t kWidth = 1200, kHeight = 1500;
constexpr int32_t kPelsPerMetre300 = 11811;
constexpr int32_t kQuality = 75;
constexpr uint8_t kCream[3] = {244, 238, 220};

uint32_t Next(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// The page as a scanner gives it: on cream paper, under light that falls
// off by a sixth towards the corners, softened across neighbouring pixels
// and noisy.
PageImage Scanned(const PageImage& clean, uint32_t seed) {
  PageImage scan = clean;
  uint32_t state = seed;
  for (int32_t y = 0; y < clean.height; ++y) {
    for (int32_t x = 0; x < clean.width; ++x) {
      const double dx = 2.0 * x / clean.width - 1, dy = 2.0 * y / clean.height - 1;
      const double light = 1.0 - (dx * dx + dy * dy) / 12;
      for (int c = 0; c < 3; ++c) {
        const size_t at = (static_cast<size_t>(y) * clean.width + x) * 3 + c;
        const int32_t right = x + 1 < clean.width ? clean.rgb[at + 3] : clean.rgb[at];
        const double soft = (2.0 * clean.rgb[at] + right) / 3;
        const double noise = static_cast<double>(Next(state) % 13) - 6;
        scan.rgb[at] = static_cast<uint8_t>(std::clamp(soft * kCream[c] / 255 * light + noise, 0.0, 255.0));
      }
    }
  }
  scan.xPelsPerMetre = scan.yPelsPerMetre = kPelsPerMetre300;
  return scan;
}

PageImage Text() { return TextPage(kWidth, kHeight, 11); }

PageImage ColouredHeading() {
  PageImage page = Text();
  for (int32_t y = 0; y < 100; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      uint8_t* pixel = &page.rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
      if (pixel[0] == 0) pixel[2] = 180;  // the first lines in blue
    }
  }
  return page;
}

// A pale red pen stroke under a line, lighter than any ink cut.
PageImage PaleMark() {
  PageImage page = Text();
  FillRect(page, 60, 470, 700, 5, 255, 170, 170);
  return page;
}

constexpr int32_t kPhotoLeft = 300, kPhotoTop = 400, kPhotoWidth = 600, kPhotoHeight = 500;

PageImage PhotographWithCaption() {
  PageImage page = Text();
  FillRect(page, kPhotoLeft - 40, kPhotoTop - 40, kPhotoWidth + 80, kPhotoHeight + 80, 255, 255, 255);
  Paste(page, PhotoPage(kPhotoWidth, kPhotoHeight, 5), kPhotoLeft, kPhotoTop);
  return page;
}

PageImage Photograph() { return PhotoPage(kWidth, kHeight, 9); }

PageImage BlankPaper() { return BlankImage(kWidth, kHeight); }

struct Planned {
  PageImage image;
  CompoundPlan plan;
};

Planned Plan(const PageImage& clean, uint32_t seed) {
  Planned planned{Scanned(clean, seed), {}};
  planned.plan = PlanCompoundPage(planned.image, kQuality, 300);
  return planned;
}

std::vector<uint8_t> InkOf(const PageImage& image) {
  std::vector<uint8_t> ink(image.rgb.size() / 3);
  for (size_t p = 0; p < ink.size(); ++p) ink[p] = image.rgb[p * 3] < 128 || image.rgb[p * 3 + 2] < 200;
  return ink;
}

TEST(CompoundPage, FindsWhatEachPageHolds) {
  const struct {
    const char* name;
    PageImage (*draw)();
    CompoundKind kind;
    size_t inks;
    size_t pictures;
  } cases[] = {
      {"text only", Text, CompoundKind::kText, 1, 0},
      {"a coloured heading", ColouredHeading, CompoundKind::kColourText, 2, 0},
      {"a pale coloured mark", PaleMark, CompoundKind::kColourText, 2, 0},
      {"a photograph with a caption", PhotographWithCaption, CompoundKind::kCompound, 1, 1},
      {"a photograph page", Photograph, CompoundKind::kPhotograph, 0, 1},
      {"blank paper with noise", BlankPaper, CompoundKind::kBlank, 0, 0},
  };
  for (const auto& page : cases) {
    const Planned planned = Plan(page.draw(), 3);
    EXPECT_EQ(CompoundKindName(planned.plan.kind), std::string(CompoundKindName(page.kind))) << page.name;
    EXPECT_EQ(planned.plan.inks.size(), page.inks) << page.name;
    EXPECT_EQ(planned.plan.pictures.size(), page.pictures) << page.name;
  }
}

TEST(CompoundPage, PictureBoxHoldsThePhotographAndLittleElse) {
  const Planned planned = Plan(PhotographWithCaption(), 4);
  ASSERT_EQ(planned.plan.pictures.size(), 1u);
  const Box& box = planned.plan.pictures[0].box;
  EXPECT_LE(box.left, kPhotoLeft);
  EXPECT_LE(box.top, kPhotoTop);
  EXPECT_GE(box.right, kPhotoLeft + kPhotoWidth - 1);
  EXPECT_GE(box.bottom, kPhotoTop + kPhotoHeight - 1);
  EXPECT_LT(box.Area(), int64_t{kPhotoWidth + 80} * (kPhotoHeight + 80));
  const uint32_t blue = planned.plan.inks.empty() ? 1 : planned.plan.inks[0].colour;
  EXPECT_EQ(blue, kBlackColour) << "the caption's ink";
}

// Letters on a light band across the photograph, as a label printed over it.
constexpr int32_t kBandTop = kPhotoTop + 200, kBandHeight = 60;

PageImage LabelledPhotograph() {
  PageImage page = PhotographWithCaption();
  FillRect(page, kPhotoLeft + 50, kBandTop, kPhotoWidth - 100, kBandHeight, 230, 225, 215);
  const PageImage letters = TextPage(kPhotoWidth - 140, 200, 7);
  for (int32_t y = 0; y < kBandHeight - 20; ++y) {  // the first line of letters, in the band
    for (int32_t x = 0; x < letters.width; ++x) {
      if (letters.rgb[(static_cast<size_t>(y + 30) * letters.width + x) * 3] == 0) {
        SetPixel(page, kPhotoLeft + 70 + x, kBandTop + 10 + y, 0, 0, 0);
      }
    }
  }
  return page;
}

TEST(CompoundPage, LettersOverAPhotographStayMasks) {
  const Planned planned = Plan(LabelledPhotograph(), 6);
  ASSERT_EQ(planned.plan.pictures.size(), 1u);
  const Box& photo = planned.plan.pictures[0].box;
  int64_t over = 0;
  for (const InkGroup& group : planned.plan.inks) {
    for (const Component& letter : group.components) {
      over += letter.top >= photo.top && letter.bottom <= photo.bottom && letter.left >= photo.left &&
              letter.right <= photo.right && letter.Height() <= kBandHeight;
    }
  }
  EXPECT_GE(over, 20) << "letters of the label kept as masks";
  const Planned plain = Plan(PhotographWithCaption(), 6);
  int64_t plainOver = 0;
  for (const InkGroup& group : plain.plan.inks) {
    for (const Component& letter : group.components) plainOver += letter.top >= photo.top && letter.bottom <= photo.bottom && letter.left > photo.left && letter.right < photo.right;
  }
  EXPECT_EQ(plainOver, 0) << "nothing in the photograph itself taken for letters";
}

TEST(CompoundPage, CreamPaperUnderUnevenLightBecomesWhiteWithEveryGlyphKept) {
  const PageImage clean = Text();
  Planned planned = Plan(clean, 5);
  ASSERT_EQ(planned.plan.kind, CompoundKind::kText);
  EXPECT_TRUE(planned.plan.paper.found);
  EXPECT_NEAR(planned.plan.paper.colour[2], kCream[2] * 0.95, 12);  // blue, the cream's lowest
  const size_t glyphs = FindComponents(InkOf(clean), kWidth, kHeight).size();
  EXPECT_EQ(FindComponents(planned.plan.ink, kWidth, kHeight).size(), glyphs);
  // The paper, corners and middle alike, is white once the light is divided out.
  for (const auto& [x, y] : {std::pair{5, 5}, {kWidth - 6, kHeight - 6}, {kWidth / 2, 20}}) {
    const uint8_t* pixel = &planned.image.rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
    EXPECT_GE(std::min({pixel[0], pixel[1], pixel[2]}), 240) << x << "," << y;
  }
  DocumentWriter document;
  BeginDocument(document, 1);
  ShapeClasses classes;
  EXPECT_EQ(WriteCompoundPage(document, planned.image, planned.plan, false, classes).bits, 1);
}

// A page drawn from a PDF: black text, a tinted box with text in it, a link
// in blue.
PageImage DrawnPage() {
  PageImage page = Text();
  for (int32_t y = 300; y < 500; ++y) {
    for (int32_t x = 30; x < kWidth - 30; ++x) {
      uint8_t* pixel = &page.rgb[(static_cast<size_t>(y) * kWidth + x) * 3];
      if (pixel[0] == 255) pixel[0] = pixel[1] = 242, pixel[2] = 249;
    }
  }
  FillRect(page, 100, 700, 300, 3, 0, 0, 255);
  return page;
}

TEST(CompoundPage, DrawnPagesKeepEveryPixelWithATintDrawnWhole) {
  PageImage image = DrawnPage();
  image.xPelsPerMetre = image.yPelsPerMetre = kPelsPerMetre300;
  CompoundPlan plan;
  ASSERT_TRUE(PlanDrawnPage(image, plan));
  ASSERT_EQ(plan.inks.size(), 3u);
  EXPECT_EQ(plan.inks[0].colour, 0xF2F2F9u) << "the lightest colour first";
  ASSERT_EQ(plan.inks[0].components.size(), 1u) << "the tint one solid box under its text";
  EXPECT_GE(plan.inks[0].components[0].Height(), 200);  // with the letters across its edges
  EXPECT_GE(plan.inks[0].components[0].Width(), kWidth - 60);
  DocumentWriter document;
  BeginDocument(document, 1);
  ShapeClasses classes;
  WriteCompoundPage(document, image, plan, false, classes);
  ASSERT_TRUE(EndPage(document));
  EXPECT_TRUE(SamePixels(LoadBuiltPage(document, 0), image));
}

struct Mean {
  double channel[3];
};

Mean MeanOf(const PageImage& image, const Box& box) {
  Mean mean{};
  for (int32_t y = box.top; y <= box.bottom; ++y) {
    for (int32_t x = box.left; x <= box.right; ++x) {
      for (int c = 0; c < 3; ++c) mean.channel[c] += image.rgb[(static_cast<size_t>(y) * image.width + x) * 3 + c];
    }
  }
  for (double& channel : mean.channel) channel /= static_cast<double>(box.Area());
  return mean;
}

constexpr Box kFlatArea{300, 400, 899, 1099};

// A photograph with a flat area in the middle.
PageImage Flat(uint8_t red, uint8_t green, uint8_t blue) {
  PageImage page = PhotoPage(kWidth, kHeight, 2);
  FillRect(page, kFlatArea.left, kFlatArea.top, kFlatArea.Width(), kFlatArea.Height(), red, green, blue);
  return page;
}

TEST(CompoundPage, PicturesKeepTheirColoursAndGreyStaysGrey) {
  const struct {
    const char* name;
    PageImage page;
    bool grey;
  } cases[] = {
      {"cream", Flat(244, 238, 220), false},
      {"sky", Flat(110, 160, 215), false},
      {"grey", Flat(150, 150, 150), true},
  };
  for (const auto& flat : cases) {
    PageImage source = flat.page;
    uint32_t state = 8;
    for (uint8_t& value : source.rgb) value = static_cast<uint8_t>(std::clamp<int>(value + int(Next(state) % 21) - 10, 0, 255));
    if (flat.grey) {
      for (size_t p = 0; p < source.rgb.size(); p += 3) source.rgb[p + 1] = source.rgb[p + 2] = source.rgb[p];
    }
    source.xPelsPerMetre = source.yPelsPerMetre = kPelsPerMetre300;
    PageImage image = source;
    CompoundPlan plan = PlanCompoundPage(image, kQuality, 300);
    ASSERT_EQ(plan.kind, CompoundKind::kPhotograph) << flat.name;
    EXPECT_EQ(plan.pictures[0].grey, flat.grey) << flat.name;
    DocumentWriter document;
    BeginDocument(document, 1);
    ShapeClasses classes;
    WriteCompoundPage(document, image, plan, false, classes);
    ASSERT_TRUE(EndPage(document));
    const PageImage built = LoadBuiltPage(document, 0);
    const Box middle{kFlatArea.left + 20, kFlatArea.top + 20, kFlatArea.right - 20, kFlatArea.bottom - 20};
    const Mean before = MeanOf(source, middle), after = MeanOf(built, middle);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(after.channel[c], before.channel[c], 1.0) << flat.name << " channel " << c;
    if (!flat.grey) continue;
    bool allGrey = true;
    for (size_t p = 0; p < built.rgb.size(); p += 3) allGrey = allGrey && built.rgb[p] == built.rgb[p + 1] && built.rgb[p] == built.rgb[p + 2];
    EXPECT_TRUE(allGrey) << flat.name;
  }
}

TEST(CompoundPage, AnAreaOfOneExactColourComesBackEven) {
  PageImage image = Flat(110, 160, 215);
  image.xPelsPerMetre = image.yPelsPerMetre = kPelsPerMetre300;
  CompoundPlan plan = PlanCompoundPage(image, kQuality, 300);
  ASSERT_EQ(plan.kind, CompoundKind::kPhotograph);
  DocumentWriter document;
  BeginDocument(document, 1);
  ShapeClasses classes;
  WriteCompoundPage(document, image, plan, false, classes);
  ASSERT_TRUE(EndPage(document));
  const PageImage built = LoadBuiltPage(document, 0);
  for (int c = 0; c < 3; ++c) {
    uint8_t least = 255, most = 0;
    for (int32_t y = kFlatArea.top + 20; y <= kFlatArea.bottom - 20; ++y) {
      for (int32_t x = kFlatArea.left + 20; x <= kFlatArea.right - 20; ++x) {
        const uint8_t value = built.rgb[(static_cast<size_t>(y) * kWidth + x) * 3 + c];
        least = std::min(least, value);
        most = std::max(most, value);
      }
    }
    EXPECT_LE(most - least, 1) << "no pattern of steps in channel " << c;
  }
}

}  // namespace
