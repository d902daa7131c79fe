// Times the searchable PDF export of a whole document on 1, 2 and 4
// threads. Prints one Markdown table row: the document's bytes, the PDF's,
// seconds for each thread count (the best of three) and the largest
// resident set.
//
//   pdf_export_bench DOCUMENT OUT.pdf LABEL
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "kwen/document.h"
#include "render/pdf_export.h"

namespace {

constexpr int kRuns = 3;
constexpr int kThreadCounts[] = {1, 2, 4};

int64_t FileBytes(const char* path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  return file ? static_cast<int64_t>(file.tellg()) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: pdf_export_bench DOCUMENT OUT.pdf LABEL\n");
    return 2;
  }
  const kwen::Document document = kwen::Document::Open(argv[1]);
  std::vector<int32_t> pages;
  for (int32_t page = 0; page < document.PageCount(); ++page) pages.push_back(page);
  std::string row = std::string("| ") + argv[3] + " | " + std::to_string(FileBytes(argv[1])) + " | ";
  std::string times;
  for (int threads : kThreadCounts) {
    double best = 1e30;
    for (int run = 0; run < kRuns; ++run) {
      PdfExportOptions options;
      options.threads = threads;
      const auto start = std::chrono::steady_clock::now();
      const PdfExportResult result = ExportPdf(document, pages, argv[2], options);
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      if (!result.Written()) {
        std::fprintf(stderr, "pdf_export_bench: %s\n", result.error.c_str());
        return 1;
      }
      best = std::min(best, took.count());
    }
    char cell[32];
    std::snprintf(cell, sizeof cell, "%.2f | ", best);
    times += cell;
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%s%lld | %s%ld |\n", row.c_str(), static_cast<long long>(FileBytes(argv[2])), times.c_str(),
              usage.ru_maxrss / 1024);
  return 0;
}
