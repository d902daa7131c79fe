#include "builder/lossy_page.h"

#include <algorithm>

#include "builder/spot_finder.h"

namespace {

// Larger shapes (rules, frames, pictures) are never letters; they keep
// their pixels and cost no comparisons.
constexpr int32_t kLargestMatchedSide = 256;

bool Matchable(const Component& component) {
  const int32_t width = component.Width(), height = component.Height();
  return width > 1 && height > 1 && width <= kLargestMatchedSide && height <= kLargestMatchedSide;
}

void PaintShape(std::vector<uint8_t>& map, int32_t mapWidth, int32_t left, int32_t top, const Shape& shape) {
  for (int32_t y = 0; y < shape.height; ++y) {
    uint8_t* row = &map[static_cast<size_t>(top + y) * mapWidth + left];
    const uint8_t* pixels = &shape.pixels[static_cast<size_t>(y) * shape.width];
    for (int32_t x = 0; x < shape.width; ++x) row[x] |= pixels[x];
  }
}

void PaintRuns(std::vector<uint8_t>& map, int32_t mapWidth, const Component& component) {
  for (const Run& run : component.runs) {
    uint8_t* row = &map[static_cast<size_t>(run.row) * mapWidth];
    std::fill(row + run.first, row + run.last + 1, uint8_t{1});
  }
}

}  // namespace

void PutMatchedShapes(SpotStream& stream, const std::vector<Component>& components, ShapeClasses& classes,
                      std::vector<uint8_t>& drawn, int32_t width, int32_t height, LossyPageCounts& counts) {
  for (const Component& component : components) {
    ++counts.shapes;
    if (!Matchable(component)) {
      PutMask(stream, component.left, component.bottom, component.Width(), component.Height(),
              ComponentMask(component));
      PaintRuns(drawn, width, component);
      continue;
    }
    Shape shape = ShapeOfComponent(component);
    ShapeMatch match;
    const int32_t found = FindShapeClass(classes, shape, match);
    if (found >= 0) {
      ShapeClass& shapeClass = classes.classes[static_cast<size_t>(found)];
      const Shape& representative = shapeClass.representative;
      const int32_t left = component.left + match.dx, top = component.top + match.dy;
      if (left >= 0 && top >= 0 && left + representative.width <= width && top + representative.height <= height) {
        PutMask(stream, left, top + representative.height - 1, representative.width, representative.height,
                shapeClass.mask);
        PaintShape(drawn, width, left, top, representative);
        ++shapeClass.members;
        ++counts.matches;
        continue;
      }
    }
    Bytes mask = ComponentMask(component);
    PutMask(stream, component.left, component.bottom, component.Width(), component.Height(), mask);
    PaintRuns(drawn, width, component);
    AddShapeClass(classes, std::move(shape), std::move(mask));
    ++counts.newClasses;
  }
}

LossyPageCounts WriteLossyBitonalPage(DocumentWriter& document, const PageImage& image, std::vector<uint8_t>& ink,
                                      ShapeClasses& classes) {
  LossyPageCounts counts;
  BeginPage(document, image.width, image.height, 1, image.xPelsPerMetre, image.yPelsPerMetre);
  SpotStream stream = StartSpots(document, image.width, kWhite1);
  std::vector<Component> components = FindComponents(ink, image.width, image.height);
  if (components.empty()) {
    PutBlankSpot(stream, 1);
    return counts;
  }
  SortReadingOrder(components);
  std::vector<uint8_t> drawn(ink.size(), 0);
  PutMatchedShapes(stream, components, classes, drawn, image.width, image.height, counts);
  for (size_t p = 0; p < ink.size(); ++p) counts.changedPixels += ink[p] != drawn[p];
  ink = std::move(drawn);
  return counts;
}
