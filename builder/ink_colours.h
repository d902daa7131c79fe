// The colours of a page's ink: each group of ink takes the colour of its
// core (its darker half, away from the edges that blend into the paper),
// and the page's groups are quantised to a few inks, dark greys becoming
// black.
#pragma once

#include <cstdint>
#include <vector>

#include "builder/spot_finder.h"
#include "input/page_image.h"

constexpr uint32_t kBlackColour = 0;

struct InkGroup {
  uint32_t colour;  // 0xRRGGBB
  std::vector<Component> components;  // in the order given
};

// The groups of each ink, black first, then the others by their largest
// group. `components` are in the order the page writes them.
std::vector<InkGroup> GroupInkByColour(std::vector<Component> components, const PageImage& image);
