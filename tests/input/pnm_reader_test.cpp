#include "input/pnm_reader.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

TEST(ReadPnm, EveryKind) {
  const struct {
    const char* name;
    std::string file;
    int32_t width, height;
    std::vector<uint8_t> rgb;
  } cases[] = {
      {"plain bitmap, digits run together", "P1\n# a comment\n3 2\n101\n0 1 0\n", 3, 2,
       {0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 255, 255}},
      {"raw bitmap rows padded to bytes", "P4 10 1\n\xC0\x40"s, 10, 1,
       {0, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255,
        255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0}},
      {"plain grey, maximum 15", "P2 2 1 15\n0 15\n", 2, 1, {0, 0, 0, 255, 255, 255}},
      {"plain colour", "P3 1 1 255 10 20 30", 1, 1, {10, 20, 30}},
      {"raw grey", "P5 2 1 255\n\x00\x80"s, 2, 1, {0, 0, 0, 128, 128, 128}},
      {"raw grey of 16 bits", "P5 1 1 65535\n\xFF\xFF"s, 1, 1, {255, 255, 255}},
      {"raw colour", "P6 1 1 255\n\x01\x02\x03"s, 1, 1, {1, 2, 3}},
      {"raw colour, maximum 1", "P6 1 1 1\n\x01\x00\x01"s, 1, 1, {255, 0, 255}},
  };
  for (const auto& test : cases) {
    PageImage image;
    std::string error;
    ASSERT_TRUE(IsPnm(Bytes(test.file))) << test.name;
    ASSERT_TRUE(ReadPnm(Bytes(test.file), kLargestPagePixels, image, error)) << test.name << ": " << error;
    EXPECT_EQ(std::make_pair(image.width, image.height), std::make_pair(test.width, test.height)) << test.name;
    EXPECT_EQ(image.rgb, test.rgb) << test.name;
  }
}

TEST(ReadPnm, RefusesDamage) {
  const struct {
    const char* name;
    std::string file;
    const char* error;
  } cases[] = {
      {"no height", "P1 3", "header is incomplete"},
      {"no pixels", "P4 8 2\n\xFF"s, "cut short"},
      {"a raw header at the end", "P5 1 1 255", "cut short"},
      {"a plain digit missing", "P1 2 2 1 0 1", "cut short"},
      {"maximum 0", "P2 1 1 0 0", "maximum value"},
      {"maximum too large", "P2 1 1 65536 0", "maximum value"},
      {"width 0", "P1 0 5", "no pixels"},
      {"too many pixels", "P4 100000 100000\n", "larger than"},
      {"a number beyond 32 bits", "P1 99999999999 1", "header is incomplete"},
      {"a bit that is not 0 or 1", "P1 1 1 2", "cut short"},
  };
  for (const auto& test : cases) {
    PageImage image;
    std::string error;
    EXPECT_FALSE(ReadPnm(Bytes(test.file), kLargestPagePixels, image, error)) << test.name;
    EXPECT_NE(error.find(test.error), std::string::npos) << test.name << ": " << error;
  }
  EXPECT_FALSE(IsPnm(Bytes("P7 1 1")) || IsPnm(Bytes("P")));
}

}  // namespace
