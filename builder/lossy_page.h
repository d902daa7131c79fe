// A 1-bit page whose shapes are matched with the shapes of the pages
// before it: a shape that matches a class is drawn as the class's
// representative, which the document stores once.
#pragma once

#include <cstdint>
#include <vector>

#include "builder/document_writer.h"
#include "input/page_image.h"
#include "builder/shape_classes.h"
#include "builder/spot_finder.h"

struct LossyPageCounts {
  int64_t shapes = 0;
  int64_t newClasses = 0;
  int64_t matches = 0;
  int64_t changedPixels = 0;
};

// Puts the components, in the order given, as masks under the stream's ink,
// each drawn as the representative of its class when one stands for it,
// and paints what it draws into `drawn`, a map of width x height.
void PutMatchedShapes(SpotStream& stream, const std::vector<Component>& components, ShapeClasses& classes,
                      std::vector<uint8_t>& drawn, int32_t width, int32_t height, LossyPageCounts& counts);

// Writes the page and replaces `ink` by the pixels it draws.
LossyPageCounts WriteLossyBitonalPage(DocumentWriter& document, const PageImage& image, std::vector<uint8_t>& ink,
                                      ShapeClasses& classes);
