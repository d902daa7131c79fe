#include "kwentool/page_progress.h"

#include <unistd.h>

#include <cstdio>

namespace {

constexpr int kLineWidth = 40;

}  // namespace

PageProgress StartPageProgress(int32_t pages) { return PageProgress{isatty(fileno(stderr)) != 0, pages}; }

void ShowPageProgress(const PageProgress& progress, int32_t page) {
  std::fprintf(stderr, progress.terminal ? "page %d of %d\r" : "page %d of %d\n", page, progress.pages);
  std::fflush(stderr);
}

void EndPageProgress(const PageProgress& progress) {
  if (progress.terminal) std::fprintf(stderr, "%*s\r", kLineWidth, "");
}
