// A page from its image to its record in two steps: planned on its own (on
// any thread, pages in parallel), then written in document order, where
// shapes are shared with the pages before it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/build_settings.h"
#include "builder/compound_page.h"
#include "builder/document_writer.h"
#include "builder/scan_page.h"
#include "builder/shape_classes.h"
#include "input/page_image.h"

enum class PlanKind { kBitonal, kPixels, kCompound };

struct PagePlan {
  PageImage image;  // the pixels the page stands for, which its check compares with
  PlanKind kind = PlanKind::kPixels;
  std::vector<uint8_t> ink;  // a bitonal page's ink
  CompoundPlan compound;
  int32_t quality = 0;  // a page of pixels' picture quality, 0 for lossless
};

// Plans the page as the settings' mode stores it.
PagePlan PlanPage(const BuildSettings& settings, PageImage image);

struct WrittenPage {
  uint16_t bits = 1;
  ScanPageCounts scan;
  CompoundCounts compound;
};

// Writes the planned page. False, with `error`, for a bitonal page that can
// be stored neither as spots nor as a picture.
bool WritePlannedPage(const BuildSettings& settings, DocumentWriter& document, PagePlan& plan, ShapeClasses& classes,
                      WrittenPage& written, std::string& error);

// The map a written page's check compares with: a bitonal page's ink, or
// null for a page checked against its colours.
const std::vector<uint8_t>* CheckedInk(const PagePlan& plan);
// Whether every pixel of the page is kept.
bool KeepsEveryPixel(const PagePlan& plan, const BuildSettings& settings);
