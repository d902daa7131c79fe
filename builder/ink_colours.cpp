#include "builder/ink_colours.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "builder/threshold.h"

namespace {

// Inks nearer than this (a distance in red, green, blue) are one ink: the
// spread of one printed colour across a scan stays within it.
constexpr int64_t kSameInk = 56;
constexpr size_t kMostInks = 8;
// Nearly without colour: black ink, however faint the scan left it,
// stored as pure black.
constexpr int32_t kNeutralChroma = 48;

using Colour = std::array<int64_t, 3>;

struct InkSum {
  Colour sum{};
  int64_t pixels = 0;
  Colour Mean() const { return {sum[0] / pixels, sum[1] / pixels, sum[2] / pixels}; }
};

const uint8_t* PixelAt(const PageImage& image, int32_t x, int32_t y) {
  return &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
}

// The mean colour of the component's pixels no brighter than its mean.
InkSum CoreColour(const Component& component, const PageImage& image) {
  int64_t brightness = 0, pixels = 0;
  for (const Run& run : component.runs) {
    for (int32_t x = run.first; x <= run.last; ++x) brightness += Brightness(PixelAt(image, x, run.row));
    pixels += run.last - run.first + 1;
  }
  const int64_t mean = brightness / pixels;
  InkSum core;
  for (const Run& run : component.runs) {
    for (int32_t x = run.first; x <= run.last; ++x) {
      const uint8_t* pixel = PixelAt(image, x, run.row);
      if (Brightness(pixel) > mean) continue;
      for (int c = 0; c < 3; ++c) core.sum[c] += pixel[c];
      ++core.pixels;
    }
  }
  return core;
}

int64_t Distance2(const Colour& a, const Colour& b) {
  int64_t sum = 0;
  for (int c = 0; c < 3; ++c) sum += (a[c] - b[c]) * (a[c] - b[c]);
  return sum;
}

size_t Nearest(const std::vector<InkSum>& inks, const Colour& colour) {
  size_t best = 0;
  for (size_t i = 1; i < inks.size(); ++i) {
    if (Distance2(inks[i].Mean(), colour) < Distance2(inks[best].Mean(), colour)) best = i;
  }
  return best;
}

uint32_t StoredColour(const Colour& colour) {
  const int64_t chroma = *std::max_element(colour.begin(), colour.end()) - *std::min_element(colour.begin(), colour.end());
  if (chroma < kNeutralChroma) return kBlackColour;
  return static_cast<uint32_t>(colour[0] << 16 | colour[1] << 8 | colour[2]);
}

}  // namespace

std::vector<InkGroup> GroupInkByColour(std::vector<Component> components, const PageImage& image) {
  std::vector<InkSum> cores;
  cores.reserve(components.size());
  for (const Component& component : components) cores.push_back(CoreColour(component, image));
  // The largest groups settle the inks first; equal sizes keep page order.
  std::vector<size_t> bySize(components.size());
  std::iota(bySize.begin(), bySize.end(), size_t{0});
  std::stable_sort(bySize.begin(), bySize.end(),
                   [&cores](size_t a, size_t b) { return cores[a].pixels > cores[b].pixels; });
  std::vector<InkSum> inks;
  std::vector<size_t> inkOf(components.size());
  for (size_t index : bySize) {
    const Colour colour = cores[index].Mean();
    size_t ink = inks.empty() ? 0 : Nearest(inks, colour);
    if (inks.empty() || (Distance2(inks[ink].Mean(), colour) > kSameInk * kSameInk && inks.size() < kMostInks)) {
      ink = inks.size();
      inks.emplace_back();
    }
    for (int c = 0; c < 3; ++c) inks[ink].sum[c] += cores[index].sum[c];
    inks[ink].pixels += cores[index].pixels;
    inkOf[index] = ink;
  }
  // Inks that end up with one stored colour (two dark greys: black) merge.
  std::vector<InkGroup> groups;
  std::vector<size_t> groupOfInk(inks.size());
  for (size_t ink = 0; ink < inks.size(); ++ink) {
    const uint32_t colour = StoredColour(inks[ink].Mean());
    auto found = std::find_if(groups.begin(), groups.end(), [colour](const InkGroup& g) { return g.colour == colour; });
    groupOfInk[ink] = static_cast<size_t>(found - groups.begin());
    if (found == groups.end()) groups.push_back(InkGroup{colour, {}});
  }
  for (size_t index = 0; index < components.size(); ++index) {
    groups[groupOfInk[inkOf[index]]].components.push_back(std::move(components[index]));
  }
  std::stable_sort(groups.begin(), groups.end(), [](const InkGroup& a, const InkGroup& b) {
    return (a.colour == kBlackColour) > (b.colour == kBlackColour);
  });
  return groups;
}
