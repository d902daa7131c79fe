// Times building one page through the public interface: at full size, and
// scaled to a width as a reader shows it at fit width, each on one thread
// and on every processor. Prints one Markdown table row (milliseconds, the
// best of the runs) and the largest resident set.
//
//   scaled_build_bench DOCUMENT PAGE WIDTH LABEL
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kwen/document.h"

namespace {

constexpr int kRuns = 5;
// A page larger than this is not built at full size: that is what the
// scaled build is for.
constexpr uint64_t kLargestWholeBytes = uint64_t{1} << 30;

template <typename Work>
double BestMilliseconds(Work work) {
  double best = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

std::string Cell(double milliseconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", milliseconds);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: scaled_build_bench DOCUMENT PAGE WIDTH LABEL\n");
    return 2;
  }
  const int32_t index = std::atoi(argv[2]) - 1;
  try {
    std::string cells[4];
    int column = 0;
    for (int threads : {1, 0}) {
      kwen::OpenOptions options;
      options.threads = threads;
      options.restoreToFile = true;
      const kwen::Document document = kwen::Document::Open(argv[1], options);
      const kwen::PageInfo page = document.Page(index);
      const uint64_t whole = (uint64_t{static_cast<uint32_t>(page.bitsPerPixel)} * page.width + 31) / 32 * 4 *
                             static_cast<uint64_t>(page.height);
      cells[column++] = whole > kLargestWholeBytes
                            ? "not built"
                            : Cell(BestMilliseconds([&] { document.BuildPage(index); }));
      kwen::Scaling scaling;
      scaling.scale = std::min(1.0, std::atof(argv[3]) / page.width);
      cells[column++] = Cell(BestMilliseconds([&] { document.BuildScaled(index, scaling); }));
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("| %s | %s | %s | %s | %s | %ld |\n", argv[4], cells[0].c_str(), cells[1].c_str(), cells[2].c_str(),
                cells[3].c_str(), usage.ru_maxrss / 1024);
  } catch (const kwen::Error& failure) {
    std::fprintf(stderr, "scaled_build_bench: %s\n", failure.what());
    return 1;
  }
  return 0;
}
