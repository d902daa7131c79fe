// "page n of N" on standard error while a command works through pages,
// after what it does ("recognising text: page n of N"): one line rewritten
// on a terminal, a line each otherwise.
#pragma once

#include <cstdint>

struct PageProgress {
  bool terminal;
  int32_t pages;
  const char* doing;  // "" or the work, followed by ": "
};

PageProgress StartPageProgress(int32_t pages, const char* doing = "");
void ShowPageProgress(const PageProgress& progress, int32_t page);
// Clears the terminal's line.
void EndPageProgress(const PageProgress& progress);
