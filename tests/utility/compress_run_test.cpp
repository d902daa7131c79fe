#include "utility/compress_run.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "utility/coding/match_finder.h"
#include "utility/run_parameters.h"

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
  std::string text;
  int c;
  while ((c = std::fgetc(display)) != EOF) text += static_cast<char>(c);
  std::fclose(display);
  for (size_t at = 0; (at = text.find("\b\b\b", at)) != std::string::npos; at += 3) {
    size_t end = text.find('%', at);
    shown.push_back(text.substr(at + 3, end - at - 3));
  }
  return shown;
}

TEST(CompressRun, ShortSourcesAdvanceOnePercentPerToken) {
  std::vector<std::string> shown = ProgressOf(RandomBytes(40, 5));
  ASSERT_EQ(shown.size(), 41u);
  EXPECT_EQ(shown.front(), "01");
  EXPECT_EQ(shown[39], "40");
  EXPECT_EQ(shown.back(), "100");
}

TEST(CompressRun, PercentNeverPasses99BeforeTheEnd) {
  std::vector<std::string> shown = ProgressOf(RandomBytes(300, 6));
  ASSERT_EQ(shown.size(), 100u);
  EXPECT_EQ(shown[98], "99");
  EXPECT_EQ(shown.back(), "100");
}

TEST(CompressRun, StepIsOneNinetyNinthOfTheSource) {
  // 990 random bytes are 990 literals: one update every 10.
  std::vector<std::string> shown = ProgressOf(RandomBytes(990, 7));
  ASSERT_EQ(shown.size(), 100u);
  EXPECT_EQ(shown.back(), "100");
}

TEST(CompressRun, OneLongMatchAdvancesByOnlyOne) {
  std::vector<std::string> shown = ProgressOf(Bytes(990, 'z'));
  EXPECT_EQ(shown, (std::vector<std::string>{"01", "100"}));
}

#if !defined(_WIN32)
// A read error of the source is reported, never taken for its end. (Reading
// a stream opened for appending fails on POSIX; the Windows run-time under
// Wine reports it as the end of the file, so there is no failing read to make.)
TEST(CompressRunDeathTest, SourceReadErrorEndsWithCode2) {
  const std::string path = TempPath("write_only.bin");
  WriteFileBytes(path, RandomBytes(100, 1));
  EXPECT_EXIT(
      {
        LzBuffer lz;
        lz.source.stream = std::fopen(path.c_str(), "ab");  // reading it fails
        AllocateMatchTables(lz, 100);
        StartMatchFinder(lz, 1024);
      },
      ::testing::ExitedWithCode(2), "");
}
#endif

}  // namespace
