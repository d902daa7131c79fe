#include "input/input_pages.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "input/jpeg_reader.h"
#include "input/page_image.h"

using namespace testing_support;

namespace {

struct SplitCase {
  const char* argument;
  const char* path;   // expected
  const char* pages;  // expected, as ranges "first-last ..." or "all"
};

std::string RangesText(const PageList& list) {
  if (list.all) return "all";
  std::string text;
  for (const PageRange& range : list.ranges) {
    text += (text.empty() ? "" : " ") + std::to_string(range.first) + "-" + std::to_string(range.last);
  }
  return text;
}

TEST(SplitPageArgument, ExistingNamesWinAndALastColonWithPagesSplits) {
  const std::string folder = TempPath("");
  WriteFileBytes(folder + "scan:2.tif", BytesOf("x"));
  WriteFileBytes(folder + "a:3", BytesOf("x"));
  const std::string cases[][3] = {
      {"book.pdf", "book.pdf", "all"},
      {"book.pdf:3-10", "book.pdf", "3-10"},
      {"scan.tif:2", "scan.tif", "2-2"},
      {"book.pdf:1,4-6", "book.pdf", "1-1 4-6"},
      {"book.pdf:all", "book.pdf", "all"},
      {"c:/scans/page.tif", "c:/scans/page.tif", "all"},  // a drive letter, not pages
      {"notes:draft.png", "notes:draft.png", "all"},
      {folder + "scan:2.tif", folder + "scan:2.tif", "all"},
      {folder + "scan:2.tif:1", folder + "scan:2.tif", "1-1"},
      {folder + "a:3", folder + "a:3", "all"},  // the file, not page 3 of "a"
      {folder + "a:3:2", folder + "a:3", "2-2"},
  };
  for (const auto& test : cases) {
    std::string path, error;
    PageList pages;
    ASSERT_TRUE(SplitPageArgument(test[0], path, pages, error)) << test[0] << ": " << error;
    EXPECT_EQ(path, test[1]) << test[0];
    EXPECT_EQ(RangesText(pages), test[2]) << test[0];
  }
}

TEST(SplitPageArgument, MalformedPagesAreRefusedNamingTheArgument) {
  for (const char* argument : {"book.pdf:5-3", "book.pdf:0", "book.pdf:2,2", "book.pdf:-", "book.pdf:1,"}) {
    std::string path, error;
    PageList pages;
    EXPECT_FALSE(SplitPageArgument(argument, path, pages, error)) << argument;
    EXPECT_EQ(error.rfind(std::string(argument) + ": ", 0), 0u) << error;
  }
}

// SOI, a JFIF header, a scan header and its coded data, then EOI.
Bytes SmallJpeg(uint8_t units, uint16_t xDensity, uint16_t yDensity) {
  Bytes bytes = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, units,
                 static_cast<uint8_t>(xDensity >> 8), static_cast<uint8_t>(xDensity),
                 static_cast<uint8_t>(yDensity >> 8), static_cast<uint8_t>(yDensity), 0, 0};
  const Bytes scan = {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 63, 0,
                      0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0xFF, 0xD9};  // stuffing, restart, fill
  bytes.insert(bytes.end(), scan.begin(), scan.end());
  return bytes;
}

TEST(JpegMarkers, AWholeFileEndsWithItsMarkAndACutOneIsRefused) {
  const Bytes whole = SmallJpeg(1, 300, 300);
  ASSERT_TRUE(IsJpeg(whole));
  std::string error;
  EXPECT_TRUE(CheckJpegMarkers(whole, error)) << error;
  Bytes trailing = whole;
  trailing.insert(trailing.end(), {0, 0, 0});  // some writers pad the end
  EXPECT_TRUE(CheckJpegMarkers(trailing, error)) << error;
  // Cut anywhere before the end mark: inside the header, the scan header,
  // the coded data, or between the mark's two bytes.
  for (size_t size = 3; size < whole.size(); ++size) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_FALSE(CheckJpegMarkers(cut, error)) << size;
  }
  Bytes overlong = whole;
  overlong[5] = 0xFF;  // the JFIF segment claims to run past the file
  EXPECT_FALSE(CheckJpegMarkers(overlong, error));
  Bytes unmarked = whole;
  unmarked[20] = 0x00;  // where the scan's marker should be
  EXPECT_FALSE(CheckJpegMarkers(unmarked, error));
  EXPECT_NE(error.find("damaged"), std::string::npos);
}

TEST(JpegMarkers, TheJfifDensityGivesTheResolution) {
  struct Case {
    uint8_t units;
    uint16_t x, y;
    int32_t xPels, yPels;
  };
  const Case cases[] = {{1, 300, 300, 11811, 11811}, {2, 40, 80, 4000, 8000}, {0, 1, 1, 0, 0}, {1, 0, 300, 0, 0}};
  for (const Case& test : cases) {
    PageImage image;
    ReadJfifResolution(SmallJpeg(test.units, test.x, test.y), image);
    EXPECT_EQ(image.xPelsPerMetre, test.xPels) << int(test.units);
    EXPECT_EQ(image.yPelsPerMetre, test.yPels) << int(test.units);
  }
}

// A 24-bit BMP of 3 x 2 pixels: rows of 9 bytes padded to 12, after the
// 14-byte file header and the 40-byte information header.
Bytes SmallBmp(uint32_t pixelsOffset) {
  Bytes bytes = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, static_cast<uint8_t>(pixelsOffset), 0, 0, 0,
                 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
  bytes.resize(pixelsOffset + 24, 0x80);
  std::fill(bytes.begin() + 30, bytes.begin() + 54, 0);  // no compression, no resolution, no palette
  return bytes;
}

TEST(PageImage, BmpPixelsAreCheckedAgainstTheFileBeforeDecoding) {
  struct Case {
    Bytes bytes;
    const char* error;  // expected start; null when the image reads
  };
  const Bytes whole = SmallBmp(54);
  const Case cases[] = {
      {whole, nullptr},
      {Bytes(whole.begin(), whole.end() - 1), "is cut short (its pixels need 78 bytes, the file has 77)"},
      {Bytes(whole.begin(), whole.begin() + 40), "is cut short (the file ends inside the BMP headers)"},
      {SmallBmp(50), "is damaged (its pixels would start inside the BMP headers)"},
  };
  for (const Case& test : cases) {
    PageImage image;
    std::string error;
    const bool read = DecodePageImage(test.bytes, image, error);
    EXPECT_EQ(read, test.error == nullptr) << error;
    if (test.error != nullptr) {
      EXPECT_EQ(error, test.error);
    } else {
      EXPECT_EQ(image.rgb, Bytes(18, 0x80));
    }
  }
}

}  // namespace
