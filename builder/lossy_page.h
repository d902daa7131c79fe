// A 1-bit page whose shapes are matched with the shapes of the pages
// before it: a shape that matches a class is drawn as the class's
// representative, which the document stores once.
#pragma once

#include <cstdint>
#include <vector>

#include "builder/document_writer.h"
#include "input/page_image.h"
#include "builder/shape_classes.h"

struct LossyPageCounts {
  int64_t shapes = 0;
  int64_t newClasses = 0;
  int64_t matches = 0;
  int64_t changedPixels = 0;
};

// Writes the page and replaces `ink` by the pixels it draws.
LossyPageCounts WriteLossyBitonalPage(DocumentWriter& document, const PageImage& image, std::vector<uint8_t>& ink,
                                      ShapeClasses& classes);
