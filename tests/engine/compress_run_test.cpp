#include "engine/compress_run.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "engine/coding/match_finder.h"
#include "engine/fail.h"
#include "engine/run_parameters.h"

using namespace testing_support;

namespace {

// The percentages CompressRun shows for a source, in order.
std::vector<std::string> ProgressOf(const Bytes& source) {
  FILE* display = std::tmpfile();
  Bytes packed;
  BitFile file;
  OpenBitFileForMemoryWrite(file, &packed);
  WindowChoice window = ChooseWindow(static_cast<int64_t>(source.size()), kDefaultWindowExponent);
  LzBuffer lz;
  OpenMemorySource(lz, source.data(), source.size(), window.size, 1024);
  HpModel hp;
  BuildHp(hp);
  HlModel hl[kDistanceModels];
  BuildDistanceModels(hl, window.exponent);
  CompressRun(file, lz, hp, hl, static_cast<int64_t>(source.size()), display);
  ReleaseDistanceModels(hl);
  ReleaseHp(hp);
  ReleaseSource(lz);
  ReleaseBitFile(file);
  std::rewind(display);
  std::vector<std::string> shown;
  char percent[4];
  while (std::fscanf(display, "\b\b\b%3[0-9]%%", percent) == 1) shown.push_back(percent);
  std::fclose(display);
  return shown;
}

// Shown after each token; the step is one ninety-ninth of the source, and
// the percentage stops at 99 until the end.
TEST(CompressRun, ProgressPercentages) {
  auto percent = [](int from, int to) {
    std::vector<std::string> shown;
    for (int p = from; p <= to; ++p) shown.push_back((p < 10 ? "0" : "") + std::to_string(p));
    shown.push_back("100");
    return shown;
  };
  EXPECT_EQ(ProgressOf(RandomBytes(40, 5)), percent(1, 40));    // one percent per token
  EXPECT_EQ(ProgressOf(RandomBytes(300, 6)), percent(1, 99));
  EXPECT_EQ(ProgressOf(RandomBytes(990, 7)), percent(1, 99));   // 990 literals: one update every 10
  EXPECT_EQ(ProgressOf(Bytes(990, 'z')), percent(1, 1));        // one long match advances by one
}

#if !defined(_WIN32)
// A read error of the source is reported, never taken for its end. (Reading
// a stream opened for appending fails on POSIX; the Windows run-time under
// Wine reports it as the end of the file, so there is no failing read to make.)
TEST(CompressRun, SourceReadErrorFailsWithCode2) {
  const std::string path = TempPath("write_only.bin");
  WriteFileBytes(path, RandomBytes(100, 1));
  LzBuffer lz;
  lz.source.stream = std::fopen(path.c_str(), "ab");  // reading it fails
  AllocateMatchTables(lz, 100, 1024, RingBudgetFor(100, 0));
  int exitCode = 0;
  try {
    StartMatchFinder(lz, 1024);
  } catch (const EngineFailure& failure) {
    exitCode = failure.exitCode;
  }
  ReleaseSource(lz);
  EXPECT_EQ(exitCode, 2);
}
#endif

}  // namespace
