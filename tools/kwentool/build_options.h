// The options of kwentool build.
#pragma once

#include <string>
#include <vector>

#include "tools/kwentool/drawing_limits.h"
#include "utility/run_parameters.h"

constexpr int32_t kDefaultDotsPerInch = 300;

struct BuildOptions {
  std::string output;
  std::vector<std::string> pages;
  bool bitonal = false;
  int32_t threshold = 0;  // 0: the default threshold
  int32_t quality = 0;    // 0: colour pictures stored losslessly
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

// The options after "build"; false with `error` for a usage error.
bool ParseBuildOptions(int argc, const char* const* argv, BuildOptions& options, std::string& error);
