#include "builder/page_plan.h"

#include <cstring>
#include <unordered_set>

#include "builder/page_encoder.h"
#include "builder/spot_finder.h"
#include "builder/threshold.h"

namespace {

// A page of this many colours or fewer was drawn, not scanned (a chart, a
// page drawn from a PDF): its exact colours cost less than any coding.
constexpr size_t kDrawnColours = 32;

// Whether every pixel has the first one's colour: the bytes compared with
// themselves a pixel on, at the speed of a memory comparison.
bool IsUniform(const PageImage& image) {
  constexpr size_t kPixelBytes = 3;
  const std::vector<uint8_t>& rgb = image.rgb;
  return rgb.size() <= kPixelBytes || std::memcmp(rgb.data(), rgb.data() + kPixelBytes, rgb.size() - kPixelBytes) == 0;
}

bool IsBlackOrWhite(const uint8_t* rgb) { return (rgb[0] == 0 || rgb[0] == 255) && rgb[1] == rgb[0] && rgb[2] == rgb[0]; }

bool HasFewColours(const PageImage& image) {
  std::unordered_set<uint32_t> colours;
  for (size_t p = 0; p + 2 < image.rgb.size(); p += 3) {
    colours.insert(uint32_t{image.rgb[p]} << 16 | uint32_t{image.rgb[p + 1]} << 8 | image.rgb[p + 2]);
    if (colours.size() > kDrawnColours) return false;
  }
  return true;
}

// The page's ink at the settings' threshold or its histogram's; a uniform
// page has one level, which Otsu's threshold leaves at the fallback.
std::vector<uint8_t> PageInk(const BuildSettings& settings, const PageImage& image, bool uniform) {
  if (uniform) {
    const int32_t threshold = settings.threshold > 0 ? settings.threshold : kDefaultThreshold;
    return std::vector<uint8_t>(image.rgb.size() / 3, Brightness(image.rgb.data()) < threshold ? 1 : 0);
  }
  const int32_t threshold = settings.threshold > 0 ? settings.threshold
                                                   : OtsuThreshold(BrightnessHistogram(image), kDefaultThreshold);
  return InkMap(image, threshold);
}

void MakeGrey(PageImage& image) {
  for (size_t p = 0; p + 2 < image.rgb.size(); p += 3) {
    const uint8_t grey = static_cast<uint8_t>(Brightness(&image.rgb[p]));
    image.rgb[p] = image.rgb[p + 1] = image.rgb[p + 2] = grey;
  }
}

int32_t PictureQuality(const BuildSettings& settings) {
  return settings.quality > 0 ? settings.quality : kDefaultPictureQuality;
}

}  // namespace

PagePlan PlanPage(const BuildSettings& settings, PageImage image) {
  PagePlan plan;
  const bool uniform = IsUniform(image);
  const bool blackAndWhite = uniform ? IsBlackOrWhite(image.rgb.data()) : IsBlackAndWhite(image);
  if (settings.mode == PageMode::kBitonal || blackAndWhite) {
    plan.kind = PlanKind::kBitonal;
    plan.ink = PageInk(settings, image, uniform);
  } else if (settings.mode == PageMode::kAuto && !uniform && !HasFewColours(image)) {
    plan.kind = PlanKind::kCompound;
    plan.compound = PlanCompoundPage(image, PictureQuality(settings), DotsPerInch(image));
  } else if (settings.mode == PageMode::kAuto && PlanDrawnPage(image, plan.compound)) {
    plan.kind = PlanKind::kCompound;
  } else {
    plan.compound = CompoundPlan();
    if (settings.mode == PageMode::kGrey) MakeGrey(image);
    const bool coded = settings.mode == PageMode::kColour || (settings.mode == PageMode::kGrey && settings.quality > 0);
    plan.quality = coded ? PictureQuality(settings) : 0;
  }
  plan.image = std::move(image);
  return plan;
}

bool WritePlannedPage(const BuildSettings& settings, DocumentWriter& document, PagePlan& plan, ShapeClasses& classes,
                      WrittenPage& written, std::string& error) {
  const PageImage& image = plan.image;
  switch (plan.kind) {
    case PlanKind::kBitonal:
      if (SpotsWithinBudget(plan.ink, image.width, image.height)) {
        written.scan = WriteScanPage(settings, document, image, plan.ink, classes);
      } else if (HasBitonalPicture(image)) {
        WriteBitonalPicturePage(document, image, plan.ink);
      } else {
        error = "has more spots of ink than one for every " + std::to_string(kPixelsPerSpot) +
                " pixels, and is too thin to be stored as a picture";
        return false;
      }
      return true;
    case PlanKind::kCompound:
      written.compound = WriteCompoundPage(document, image, plan.compound, settings.lossy, classes);
      written.bits = written.compound.bits;
      return true;
    case PlanKind::kPixels:
      written.bits = WriteColourPage(document, image, plan.quality, settings.switches);
      return true;
  }
  return true;
}

const std::vector<uint8_t>* CheckedInk(const PagePlan& plan) {
  if (plan.kind == PlanKind::kBitonal) return &plan.ink;
  if (plan.kind == PlanKind::kCompound && !plan.compound.ink.empty()) return &plan.compound.ink;
  return nullptr;
}

bool KeepsEveryPixel(const PagePlan& plan, const BuildSettings& settings) {
  const bool drawn = plan.kind == PlanKind::kCompound && plan.compound.kind == CompoundKind::kDrawn;
  return plan.kind == PlanKind::kBitonal || (plan.kind == PlanKind::kPixels && plan.quality == 0) ||
         (drawn && !settings.lossy);
}
