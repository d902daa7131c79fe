#include "engine/fail.h"

#include <cstdio>
#include <vector>

namespace {

// How every coded message of the utility ends, before its code.
constexpr const char* kExitCodeNote = ". Exit code ";

// The text printf would print for `format` and its one argument.
template <typename Argument>
std::string Formatted(const char* format, Argument argument) {
  const int length = std::snprintf(nullptr, 0, format, argument);
  if (length < 0) return format;
  std::vector<char> text(static_cast<size_t>(length) + 1);
  std::snprintf(text.data(), text.size(), format, argument);
  return std::string(text.data(), static_cast<size_t>(length));
}

}  // namespace

std::string EngineFailure::reason() const {
  const std::string text = what();
  const size_t note = text.rfind(kExitCodeNote);
  return note == std::string::npos ? text : text.substr(0, note);
}

void FailCoded(int exitCode, const char* format) { throw EngineFailure(exitCode, Formatted(format, exitCode)); }

void FailNamed(int exitCode, const char* format, const char* name) {
  throw EngineFailure(exitCode, Formatted(format, name));
}

void FailPlain(int exitCode, const char* text) { throw EngineFailure(exitCode, text); }
