#include "input/input_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <thread>

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

#ifndef _WIN32  // the Windows build reads no PDF

constexpr int32_t kBarPages = 5;
constexpr int32_t kBarDotsPerInch = 150;

// A PDF whose page n (from 1) holds n black bars and a slanted line, none on
// whole pixels, so that antialiasing would leave greys on their edges.
std::string BarsPdf() {
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string kids;
  for (int32_t page = 1; page <= kBarPages; ++page) {
    std::string drawing = "0 g 1.3 w 5.5 95.2 m 195.3 " + std::to_string(10 + 15 * page) + ".7 l S";
    for (int32_t bar = 0; bar < page; ++bar) drawing += " " + std::to_string(10 + 30 * bar) + ".3 10.6 20.2 40.3 re f";
    const std::string number = std::to_string(objects.size() + 1);
    kids += number + " 0 R ";
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents " +
                      std::to_string(objects.size() + 2) + " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(drawing.size()) + " >>\nstream\n" + drawing + "\nendstream");
  }
  objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(kBarPages) + " >>";
  std::string pdf = "%PDF-1.4\n";
  std::string table = "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t i = 0; i < objects.size(); ++i) {
    char entry[21];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", pdf.size());
    table += entry;
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t tableStart = pdf.size();
  return pdf + table + "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(tableStart) + "\n%%EOF\n";
}

// The pixels of `pages` of the file through a reader of its own; a page that
// fails reads as its message.
std::vector<Bytes> ReadPages(const InputFile& input, const std::vector<int32_t>& pages) {
  std::vector<Bytes> read;
  InputReader reader;
  std::string error;
  if (!OpenInputReader(input, reader, error)) return {BytesOf(error)};
  for (int32_t page : pages) {
    PageImage image;
    read.push_back(ReadInputPage(reader, page, kBarDotsPerInch, DrawingLimits(), image, error) ? image.rgb
                                                                                                : BytesOf(error));
  }
  CloseInputReader(reader);
  return read;
}

class PdfPages : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string path = TempPath("bars.pdf");
    WriteFileBytes(path, BytesOf(BarsPdf()));
    std::vector<InputFile> inputs;
    std::string error;
    ASSERT_TRUE(ResolveInputs({path}, inputs, error)) << error;
    input_ = inputs.at(0);
  }
  InputFile input_;
};

TEST_F(PdfPages, ShapesAreDrawnInBlackAndWhiteOnly) {
  for (const Bytes& pixels : ReadPages(input_, input_.pages)) {
    ASSERT_GT(pixels.size(), 1000u) << std::string(pixels.begin(), pixels.end());
    const size_t black = static_cast<size_t>(std::count(pixels.begin(), pixels.end(), 0));
    EXPECT_GT(black, 0u);
    EXPECT_EQ(black + static_cast<size_t>(std::count(pixels.begin(), pixels.end(), 255)), pixels.size());
  }
}

// Each thread its own reader of the one file, one reading the pages
// forwards, the other backwards, twice over: each page as one reader alone
// reads it, the pages apart from one another.
TEST_F(PdfPages, ReadersOnTwoThreadsReadWhatOneReaderReads) {
  const std::vector<Bytes> alone = ReadPages(input_, input_.pages);
  ASSERT_EQ(alone.size(), static_cast<size_t>(kBarPages));
  for (int32_t page = 1; page < kBarPages; ++page) EXPECT_NE(alone[page - 1], alone[page]) << page;
  std::vector<int32_t> forwards = input_.pages;
  forwards.insert(forwards.end(), input_.pages.begin(), input_.pages.end());
  const std::vector<int32_t> backwards(forwards.rbegin(), forwards.rend());
  std::vector<Bytes> first, second;
  std::thread other([&] { second = ReadPages(input_, backwards); });
  first = ReadPages(input_, forwards);
  other.join();
  ASSERT_EQ(first.size(), forwards.size());
  ASSERT_EQ(second.size(), backwards.size());
  for (size_t i = 0; i < forwards.size(); ++i) {
    EXPECT_EQ(first[i], alone[forwards[i] - 1]) << "page " << forwards[i];
    EXPECT_EQ(second[i], alone[backwards[i] - 1]) << "page " << backwards[i];
  }
}

// The system ends a drawing child with the thread that started it.
TEST_F(PdfPages, AReaderReadsOnAfterTheThreadThatStartedItsDrawingEnds) {
  InputReader reader;
  std::string error;
  ASSERT_TRUE(OpenInputReader(input_, reader, error)) << error;
  PageImage image;
  bool read = false;
  std::thread([&] { read = ReadInputPage(reader, 1, kBarDotsPerInch, DrawingLimits(), image, error); }).join();
  EXPECT_TRUE(read) << error;
  EXPECT_TRUE(ReadInputPage(reader, 2, kBarDotsPerInch, DrawingLimits(), image, error)) << error;
  CloseInputReader(reader);
}

#endif

}  // namespace
