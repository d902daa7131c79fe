#include "kwentool/page_progress.h"

#include <unistd.h>

#include <cstdio>

namespace {

constexpr int kLineWidth = 60;

}  // namespace

PageProgress StartPageProgress(int32_t pages, const char* doing) {
  return PageProgress{isatty(fileno(stderr)) != 0, pages, doing};
}

void ShowPageProgress(const PageProgress& progress, int32_t page) {
  std::fprintf(stderr, progress.terminal ? "%spage %d of %d\r" : "%spage %d of %d\n", progress.doing, page,
               progress.pages);
  std::fflush(stderr);
}

void EndPageProgress(const PageProgress& progress) {
  if (progress.terminal) std::fprintf(stderr, "%*s\r", kLineWidth, "");
}
