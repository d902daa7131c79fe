#include "engine/fail.h"

#include <cstdio>
#include <cstdlib>

[[noreturn]] static void Leave(int exitCode) {
  std::fflush(stdout);
  std::exit(exitCode);
}

void FailCoded(int exitCode, const char* format) {
  std::printf(format, exitCode);
  Leave(exitCode);
}

void FailNamed(int exitCode, const char* format, const char* name) {
  std::printf(format, name);
  Leave(exitCode);
}

void FailPlain(int exitCode, const char* text) {
  std::fputs(text, stdout);
  Leave(exitCode);
}
