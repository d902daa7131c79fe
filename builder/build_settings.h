// How pages are built into a document, whichever front end asks: the
// builder's own settings, which kwentool's options fill.
#pragma once

#include <cstdint>

#include "engine/run_parameters.h"
#include "input/drawing_limits.h"

constexpr int32_t kDefaultDotsPerInch = 300;

// How pages are stored: found page by page (auto), or forced.
enum class PageMode { kAuto, kBitonal, kGrey, kColour, kLossless };

// The pictures' quality where the mode codes them and none is asked for:
// at 100% zoom their blocks do not show.
constexpr int32_t kDefaultPictureQuality = 75;

struct BuildSettings {
  PageMode mode = PageMode::kAuto;
  int32_t threshold = 0;  // 0: the default threshold
  int32_t quality = 0;    // 0: the mode's own (lossless for grey and lossless pages)
  int32_t jobs = 0;       // pages worked on at once; 0: one for each core
  int32_t dotsPerInch = kDefaultDotsPerInch;
  Switches switches;
  // --pack best: the cheapest parse instead of durmo's greedy one.
  bool packBest = false;
  bool verbose = false;
  // Scan clean-up of bitonal pages: specks removed, shapes matched lossily.
  bool clean = false;
  bool lossy = false;
  // The time and memory each PDF page may take to draw.
  DrawingLimits pdfLimits;
};
