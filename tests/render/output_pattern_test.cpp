#include "render/output_pattern.h"

#include <gtest/gtest.h>

#include "render/image_format.h"

namespace {

TEST(OutputPattern, FillsTheOneFieldWithThePageNumber) {
  const std::tuple<const char*, int32_t, const char*> cases[] = {
      {"page.png", 7, "page.png"},          {"page-%d.png", 7, "page-7.png"}, {"page-%03d.png", 7, "page-007.png"},
      {"page-%03d.png", 1234, "page-1234.png"}, {"dir/%02d-x.ppm", 3, "dir/03-x.ppm"},
  };
  for (const auto& [text, page, name] : cases) {
    OutputPattern pattern;
    std::string error;
    ASSERT_TRUE(ParseOutputPattern(text, pattern, error)) << text << ": " << error;
    EXPECT_EQ(OutputName(pattern, page), name) << text;
  }
  for (const char* text : {"p%s.png", "p%.png", "p%", "p%%.png", "p%d-%d.png", "p%d%.png", "p%00d.png", "p%010d.png",
                           "p%0d.png", "p%-3d.png", "p%3d.png", "p%x.png", "p%ld.png"}) {
    OutputPattern pattern;
    std::string error;
    EXPECT_FALSE(ParseOutputPattern(text, pattern, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(ImageFormat, FollowsTheExtensionInAnyCase) {
  const std::pair<const char*, ImageFormat> known[] = {
      {"a.bmp", ImageFormat::kBmp},   {"a.PNG", ImageFormat::kPng},     {"a.b.Pbm", ImageFormat::kPbm},
      {"x/a.pgm", ImageFormat::kPgm}, {"p%03d.ppm", ImageFormat::kPpm}, {"dir.png/a.bmp", ImageFormat::kBmp}};
  for (const auto& [name, expected] : known) {
    ImageFormat format = ImageFormat::kBmp;
    ASSERT_TRUE(FormatOfName(name, format)) << name;
    EXPECT_EQ(format, expected) << name;
  }
  for (const char* name : {"a.jpg", "a", "a.", "dir.png/a", "a.png.tmp", "a.pngx", "png", "a.p%dm"}) {
    ImageFormat format;
    EXPECT_FALSE(FormatOfName(name, format)) << name;
  }
}

}  // namespace
