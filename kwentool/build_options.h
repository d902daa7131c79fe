// The options of kwentool build: the files it names and the builder's
// settings.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "builder/build_settings.h"

// The text recognition's language when none is asked for.
constexpr const char* kDefaultLanguage = "eng";

struct BuildOptions : BuildSettings {
  std::string output;
  std::vector<std::string> pages;
  // --ocr: every page's words read from its pixels in `language`.
  bool ocr = false;
  std::string language = kDefaultLanguage;
  std::optional<std::string> title;  // none: a PDF input's title, if any
};

// The options after "build"; false with `error` for a usage error.
bool ParseBuildOptions(int argc, const char* const* argv, BuildOptions& options, std::string& error);

// The values of --jobs and --lang, shared by the commands that take them.
bool ParseJobs(const char* text, int32_t& jobs, std::string& error);
bool ParseLanguage(const char* text, std::string& language, std::string& error);
