// Pages of scans as the automatic mode stores them: the paper made white,
// the text and line art as masks of a few inks, photographs and shaded
// illustrations as compact-coded pictures, and a page that is all
// photograph as one picture.
#pragma once

#include <cstdint>
#include <vector>

#include "builder/document_writer.h"
#include "builder/dust_cleaner.h"
#include "builder/ink_colours.h"
#include "builder/lossy_page.h"
#include "builder/page_box.h"
#include "builder/paper.h"
#include "builder/shape_classes.h"
#include "input/page_image.h"

enum class CompoundKind { kBlank, kText, kColourText, kCompound, kPhotograph, kDrawn };

struct CompoundPicture {
  Box box;
  Bytes compact;
  bool grey;
};

// Everything decided about a page before it is written, which pages work
// out on their own, in parallel.
struct CompoundPlan {
  CompoundKind kind = CompoundKind::kBlank;
  PaperReport paper;
  SpeckCounts specks;
  std::vector<uint8_t> ink;  // a text page's ink map
  std::vector<InkGroup> inks;
  std::vector<CompoundPicture> pictures;
  int32_t scale = 0;  // the pictures' quantiser scale
};

// Plans the page and turns `image` into the pixels the page stands for
// (its paper made white), which its check compares with.
CompoundPlan PlanCompoundPage(PageImage& image, int32_t quality, int32_t dotsPerInch);

// A page of a few exact colours, drawn rather than scanned (a page drawn
// from a PDF, a chart): each colour but white a layer of masks in that
// colour, which keeps every pixel. False when a colour has more groups than
// a page's budget (a dithered picture).
bool PlanDrawnPage(const PageImage& image, CompoundPlan& plan);

struct CompoundCounts {
  uint16_t bits = 1;
  int64_t masks = 0;
  int64_t pictureBytes = 0;
  LossyPageCounts lossy;
};

// Writes the planned page, its shapes matched with the document's classes
// when `lossy`. A text page's plan keeps in its ink map the pixels written.
CompoundCounts WriteCompoundPage(DocumentWriter& document, const PageImage& image, CompoundPlan& plan, bool lossy,
                                 ShapeClasses& classes);

const char* CompoundKindName(CompoundKind kind);
