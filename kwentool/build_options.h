// The options of kwentool build: the files it names and the builder's
// settings.
#pragma once

#include <string>
#include <vector>

#include "builder/build_settings.h"

struct BuildOptions : BuildSettings {
  std::string output;
  std::vector<std::string> pages;
};

// The options after "build"; false with `error` for a usage error.
bool ParseBuildOptions(int argc, const char* const* argv, BuildOptions& options, std::string& error);
