#include "tools/kwentool/output_pattern.h"

#include <gtest/gtest.h>

#include "tools/kwentool/image_format.h"

namespace {

struct NameCase {
  const char* pattern;
  int32_t page;
  const char* name;
};

TEST(OutputPattern, FillsTheFieldWithThePageNumber) {
  const NameCase cases[] = {
      {"page.png", 7, "page.png"},         {"page-%d.png", 7, "page-7.png"},
      {"page-%03d.png", 7, "page-007.png"}, {"page-%03d.png", 1234, "page-1234.png"},
      {"%d", 12, "12"},                     {"dir/%02d-x.ppm", 3, "dir/03-x.ppm"},
  };
  for (const NameCase& c : cases) {
    OutputPattern pattern;
    std::string error;
    ASSERT_TRUE(ParseOutputPattern(c.pattern, pattern, error)) << c.pattern << ": " << error;
    EXPECT_EQ(OutputName(pattern, c.page), c.name) << c.pattern;
  }
}

TEST(OutputPattern, RefusesAnyOtherPercent) {
  const char* cases[] = {"p%s.png", "p%.png", "p%", "p%%.png", "p%d-%d.png", "p%d%.png", "p%00d.png",
                         "p%010d.png", "p%0d.png", "p%-3d.png", "p%3d.png", "p%x.png", "p%ld.png"};
  for (const char* text : cases) {
    OutputPattern pattern;
    std::string error;
    EXPECT_FALSE(ParseOutputPattern(text, pattern, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(ImageFormat, FollowsTheExtensionInAnyCase) {
  const std::pair<const char*, ImageFormat> known[] = {
      {"a.bmp", ImageFormat::kBmp}, {"a.PNG", ImageFormat::kPng},     {"a.b.Pbm", ImageFormat::kPbm},
      {"x/a.pgm", ImageFormat::kPgm}, {"p%03d.ppm", ImageFormat::kPpm}, {"dir.png/a.bmp", ImageFormat::kBmp}};
  for (const auto& c : known) {
    ImageFormat format = ImageFormat::kBmp;
    ASSERT_TRUE(FormatOfName(c.first, format)) << c.first;
    EXPECT_EQ(format, c.second) << c.first;
  }
  const char* unknown[] = {"a.jpg", "a", "a.", "dir.png/a", "a.png.tmp", "a.pngx", "png", "a.p%dm"};
  for (const char* name : unknown) {
    ImageFormat format;
    EXPECT_FALSE(FormatOfName(name, format)) << name;
  }
}

}  // namespace
