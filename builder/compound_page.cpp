#include "builder/compound_page.h"

#include <algorithm>
#include <iterator>

#include "builder/compact_encoder.h"
#include "builder/page_analysis.h"
#include "builder/page_encoder.h"
#include "builder/spot_finder.h"
#include "builder/threshold.h"
#include "document/page_loader.h"

namespace {

// Pictures covering this share of the page: the page is a photograph.
constexpr double kPhotographShare = 0.7;
// A picture whose pixels stray from grey by less than this, on average, is
// grey: its colour is scanner noise.
constexpr double kGreyChroma = 6.0;

bool IsGreyPicture(const PageImage& image, const Box& box) {
  int64_t chroma = 0;
  for (int32_t y = box.top; y <= box.bottom; ++y) {
    const uint8_t* pixel = &image.rgb[(static_cast<size_t>(y) * image.width + box.left) * 3];
    for (int32_t x = box.left; x <= box.right; ++x, pixel += 3) {
      chroma += std::max({pixel[0], pixel[1], pixel[2]}) - std::min({pixel[0], pixel[1], pixel[2]});
    }
  }
  return static_cast<double>(chroma) < kGreyChroma * static_cast<double>(box.Area());
}

// Pictures scanned at this resolution or finer are softened before they are
// coded: at 300 dpi a 3 x 3 filter takes the scanner's grain, which no eye
// sees at 100% and which costs a fifth of a picture's bytes, and leaves what
// it shows (closer to the print than the grainy scan is).
constexpr int32_t kSoftenedFromDotsPerInch = 200;

// The box's pixels softened by a 3 x 3 binomial filter, edges repeated.
PageImage Softened(const PageImage& image, const Box& box) {
  PageImage out;
  out.width = box.Width();
  out.height = box.Height();
  out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
  const auto at = [&](int32_t x, int32_t y, int c) {
    x = std::clamp(x, box.left, box.right);
    y = std::clamp(y, box.top, box.bottom);
    return int32_t{image.rgb[(static_cast<size_t>(y) * image.width + x) * 3 + c]};
  };
  for (int32_t y = 0; y < out.height; ++y) {
    for (int32_t x = 0; x < out.width; ++x) {
      const int32_t px = box.left + x, py = box.top + y;
      for (int c = 0; c < 3; ++c) {
        const int32_t sum = at(px - 1, py - 1, c) + 2 * at(px, py - 1, c) + at(px + 1, py - 1, c) +
                            2 * at(px - 1, py, c) + 4 * at(px, py, c) + 2 * at(px + 1, py, c) +
                            at(px - 1, py + 1, c) + 2 * at(px, py + 1, c) + at(px + 1, py + 1, c);
        out.rgb[(static_cast<size_t>(y) * out.width + x) * 3 + c] = static_cast<uint8_t>((sum + 8) / 16);
      }
    }
  }
  return out;
}

CompoundPicture EncodePicture(const PageImage& image, const Box& box, int32_t scale, int32_t dotsPerInch) {
  CompoundPicture picture{box, {}, IsGreyPicture(image, box)};
  const PictureTone tone = picture.grey ? PictureTone::kGrey : PictureTone::kColour;
  if (dotsPerInch < kSoftenedFromDotsPerInch) {
    EncodeCompactPicture(image, box.left, box.top, box.Width(), box.Height(), scale, tone, picture.compact);
  } else {
    EncodeCompactPicture(Softened(image, box), 0, 0, box.Width(), box.Height(), scale, tone, picture.compact);
  }
  return picture;
}

bool CoversPage(const std::vector<Box>& pictures, const PageImage& image) {
  int64_t area = 0;
  for (const Box& box : pictures) area += box.Area();
  return static_cast<double>(area) >= kPhotographShare * static_cast<double>(image.width) * image.height;
}

void PlanPhotograph(const PageImage& image, int32_t dotsPerInch, CompoundPlan& plan) {
  plan.kind = CompoundKind::kPhotograph;
  plan.pictures.push_back(EncodePicture(image, Box{0, 0, image.width - 1, image.height - 1}, plan.scale, dotsPerInch));
}

// The pictures and the ink groups of a page with paper.
// The light coloured ink's groups, drawn first, under the dark ink; none
// when they are more than a page's budget (colour noise, not marks).
std::vector<InkGroup> LightInks(const PageImage& image, std::vector<uint8_t>& colourInk, int32_t dotsPerInch) {
  RemoveSpecks(colourInk, image.width, image.height, dotsPerInch);
  if (!SpotsWithinBudget(colourInk, image.width, image.height)) return {};
  std::vector<Component> components = FindComponents(colourInk, image.width, image.height);
  SortReadingOrder(components);
  return GroupInkByColour(std::move(components), image);
}

void PlanPaperPage(PageImage& image, PageContent& content, int32_t dotsPerInch, CompoundPlan& plan) {
  plan.specks = RemoveSpecks(content.ink, image.width, image.height, dotsPerInch);
  std::vector<Component> components = FindComponents(content.ink, image.width, image.height);
  SortReadingOrder(components);
  plan.inks = LightInks(image, content.colourInk, dotsPerInch);
  std::vector<InkGroup> dark = GroupInkByColour(std::move(components), image);
  std::move(dark.begin(), dark.end(), std::back_inserter(plan.inks));
  for (const Box& box : content.pictures) {
    WhitenPaper(image, box);
    plan.pictures.push_back(EncodePicture(image, box, plan.scale, dotsPerInch));
  }
  const bool blackOnly = plan.inks.size() == 1 && plan.inks[0].colour == kBlackColour;
  if (!plan.pictures.empty()) {
    plan.kind = CompoundKind::kCompound;
  } else if (plan.inks.empty()) {
    plan.kind = CompoundKind::kBlank;
  } else if (blackOnly) {
    plan.kind = CompoundKind::kText;
    plan.ink = std::move(content.ink);
  } else {
    plan.kind = CompoundKind::kColourText;
  }
}

void PutPictures(SpotStream& stream, const CompoundPlan& plan, CompoundCounts& counts) {
  for (const CompoundPicture& picture : plan.pictures) {
    SelectCompact(stream, plan.scale);
    PutPicture(stream, picture.box.left, picture.box.bottom, picture.box.Width(), picture.box.Height(),
               picture.compact, true);
    counts.pictureBytes += static_cast<int64_t>(picture.compact.size());
  }
}

void PutInks(SpotStream& stream, const PageImage& image, const CompoundPlan& plan, bool lossy, ShapeClasses& classes,
             CompoundCounts& counts) {
  std::vector<uint8_t> drawn;
  if (lossy) drawn.assign(static_cast<size_t>(image.width) * image.height, 0);
  for (const InkGroup& group : plan.inks) {
    SelectInk(stream, group.colour);  // 24-bit pages hold pixels as 0xRRGGBB
    counts.masks += static_cast<int64_t>(group.components.size());
    if (lossy) {
      PutMatchedShapes(stream, group.components, classes, drawn, image.width, image.height, counts.lossy);
      continue;
    }
    for (const Component& component : group.components) {
      PutMask(stream, component.left, component.bottom, component.Width(), component.Height(),
              ComponentMask(component));
    }
  }
}

}  // namespace

const char* CompoundKindName(CompoundKind kind) {
  switch (kind) {
    case CompoundKind::kBlank: return "blank";
    case CompoundKind::kText: return "text";
    case CompoundKind::kColourText: return "coloured text";
    case CompoundKind::kCompound: return "text and pictures";
    case CompoundKind::kPhotograph: return "photograph";
    case CompoundKind::kDrawn: return "drawn colours";
  }
  return "";
}

CompoundPlan PlanCompoundPage(PageImage& image, int32_t quality, int32_t dotsPerInch) {
  CompoundPlan plan;
  plan.scale = ScaleForQuality(quality);
  const int32_t tileSide = TileSide(dotsPerInch);
  PageImage white = image;
  plan.paper = RemovePaper(white, tileSide);
  if (!plan.paper.found) {
    PlanPhotograph(image, dotsPerInch, plan);
    return plan;
  }
  PageContent content = AnalysePage(white, tileSide);
  // Past the bound on groups the page is a dithered picture or noise.
  if (CoversPage(content.pictures, white) || !SpotsWithinBudget(content.ink, white.width, white.height)) {
    PlanPhotograph(image, dotsPerInch, plan);
    return plan;
  }
  AbsorbInkIntoPictures(content, white.width, white.height, tileSide);
  if (CoversPage(content.pictures, white)) {
    PlanPhotograph(image, dotsPerInch, plan);
    return plan;
  }
  KeepTextOverPictures(content, white, dotsPerInch);
  image = std::move(white);
  PlanPaperPage(image, content, dotsPerInch, plan);
  return plan;
}

namespace {

int32_t BrightnessOf(uint32_t colour) {
  const uint8_t rgb[3] = {static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 8),
                          static_cast<uint8_t>(colour)};
  return Brightness(rgb);
}

bool HasColour(const Component& component, const std::vector<uint8_t>& colourOf, int32_t width, uint8_t colour) {
  for (const Run& run : component.runs) {
    const uint8_t* row = &colourOf[static_cast<size_t>(run.row) * width];
    if (std::find(row + run.first, row + run.last + 1, colour) != row + run.last + 1) return true;
  }
  return false;
}

}  // namespace

bool PlanDrawnPage(const PageImage& image, CompoundPlan& plan) {
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  std::vector<uint32_t> colours;
  std::vector<uint8_t> colourOf(pixels);
  for (size_t p = 0; p < pixels; ++p) {
    const uint8_t* rgb = &image.rgb[p * 3];
    const uint32_t colour = uint32_t{rgb[0]} << 16 | uint32_t{rgb[1]} << 8 | rgb[2];
    auto found = std::find(colours.begin(), colours.end(), colour);
    if (found == colours.end()) found = colours.insert(colours.end(), colour);
    colourOf[p] = static_cast<uint8_t>(found - colours.begin());
  }
  // Light colours first, each drawn under the darker ones that follow: a
  // tinted box is then a solid rectangle with the text painted over it, not
  // a mask with the text cut out of it.
  std::vector<uint8_t> order;
  for (size_t index = 0; index < colours.size(); ++index) {
    if (colours[index] != kWhite24) order.push_back(static_cast<uint8_t>(index));
  }
  std::sort(order.begin(), order.end(), [&colours](uint8_t a, uint8_t b) {
    const int32_t lightA = BrightnessOf(colours[a]), lightB = BrightnessOf(colours[b]);
    return lightA != lightB ? lightA > lightB : colours[a] < colours[b];
  });
  plan.kind = CompoundKind::kDrawn;
  std::vector<bool> drawnLater(colours.size(), true);
  std::vector<uint8_t> layer(pixels);
  for (uint8_t index : order) {
    for (size_t p = 0; p < pixels; ++p) layer[p] = drawnLater[colourOf[p]] && colours[colourOf[p]] != kWhite24;
    drawnLater[index] = false;
    if (!SpotsWithinBudget(layer, image.width, image.height)) return false;
    std::vector<Component> components = FindComponents(layer, image.width, image.height);
    components.erase(std::remove_if(components.begin(), components.end(),
                                    [&](const Component& component) {
                                      return !HasColour(component, colourOf, image.width, index);
                                    }),
                     components.end());
    SortReadingOrder(components);
    plan.inks.push_back(InkGroup{colours[index], std::move(components)});
  }
  return true;
}

CompoundCounts WriteCompoundPage(DocumentWriter& document, const PageImage& image, CompoundPlan& plan, bool lossy,
                                 ShapeClasses& classes) {
  CompoundCounts counts;
  if (plan.kind == CompoundKind::kText || plan.kind == CompoundKind::kBlank) {
    if (plan.ink.empty()) plan.ink.assign(static_cast<size_t>(image.width) * image.height, 0);
    if (lossy) {
      counts.lossy = WriteLossyBitonalPage(document, image, plan.ink, classes);
    } else {
      WriteBitonalPage(document, image, plan.ink);
    }
    counts.masks = plan.inks.empty() ? 0 : static_cast<int64_t>(plan.inks[0].components.size());
    return counts;
  }
  counts.bits = 24;
  BeginPage(document, image.width, image.height, counts.bits, image.xPelsPerMetre, image.yPelsPerMetre);
  SpotStream stream = StartSpots(document, image.width, kWhite24);
  // Pictures first: the masks then paint their inks over what a picture's
  // coding left beneath them.
  PutPictures(stream, plan, counts);
  PutInks(stream, image, plan, lossy, classes, counts);
  return counts;
}
