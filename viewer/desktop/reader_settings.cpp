#include "viewer/desktop/reader_settings.h"

#include <cstdio>

namespace {

bool NeedsEscape(char c) { return c == '/' || c == '\\' || c == '%' || c == '=' || c == ';' || c == '#'; }

}  // namespace

std::string DocumentSettingsGroup(const std::string& fullPath) {
  std::string group = "documents/";
  for (char c : fullPath) {
    if (!NeedsEscape(c)) {
      group += c;
      continue;
    }
    char escaped[4];
    std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
    group += escaped;
  }
  return group;
}

const char* ZoomModeName(ZoomMode mode) {
  switch (mode) {
    case ZoomMode::kFitPage:
      return "fitPage";
    case ZoomMode::kFixed:
      return "fixed";
    case ZoomMode::kFitWidth:
      break;
  }
  return "fitWidth";
}

ZoomMode ZoomModeFromName(const std::string& name) {
  if (name == "fitPage") return ZoomMode::kFitPage;
  if (name == "fixed") return ZoomMode::kFixed;
  return ZoomMode::kFitWidth;
}
