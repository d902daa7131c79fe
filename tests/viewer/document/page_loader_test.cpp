#include "viewer/document/page_loader.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/viewer/document/document_builder.h"
#include "tests/viewer/document/test_host.h"
#include "viewer/document/document_format.h"
#include "viewer/document/document_state.h"
#include "viewer/document/page_state.h"

using namespace testing_support;

namespace {

// Loads page `page` of an unpacked document held in memory.
void Load(const Bytes& document, int page = 0, bool reset = true) {
  if (reset) ResetHost();
  static Bytes held;
  held = document;
  DocFile hdoc, hofs;
  OpenMemoryDocFile(hdoc, held.data(), static_cast<int64_t>(held.size()));
  OpenMemoryDocFile(hofs, held.data(), static_cast<int64_t>(held.size()));
  ReadDocumentTable(hdoc);
  iCurPage = page;
  LoadPage(hdoc, hofs, page);
}

std::string LoadFailure(const Bytes& document, int page = 0) {
  try {
    Load(document, page);
  } catch (const DocumentFailure& failure) {
    return failure.what();
  }
  return "";
}

// The pixel at column x of page row y (from the top).
uint32_t Pixel(int x, int y) {
  const BitmapInfoHeader& info = sBitMapInfoHeader.BMIH;
  uint64_t stride = RowBytes(info.biBitCount, info.biWidth);
  const uint8_t* row = pDibBits + stride * (info.biHeight - 1 - y);
  return FetchPixel(row, uint64_t{info.biBitCount} * x, info.biBitCount);
}

// The page as text, top row first: '#' where the pixel differs from white.
std::vector<std::string> Picture() {
  std::vector<std::string> rows;
  for (int y = 0; y < sBitMapInfoHeader.BMIH.biHeight; ++y) {
    std::string row;
    for (int x = 0; x < sBitMapInfoHeader.BMIH.biWidth; ++x) {
      row += Pixel(x, y) == static_cast<uint32_t>(iWhiteIndex) ? '.' : '#';
    }
    rows.push_back(row);
  }
  return rows;
}

Bytes WorkedExample() {
  PageWriter page(16, 8, 1, BlackWhite());
  size_t heightField = page.Inline(2, 5, 4, 3, {0xF0, 0x90, 0xF0});
  page.Reference(3, 0, RecordOffset({page.record}, 1, 0) + static_cast<int32_t>(heightField));
  return AssembleDocument({page.record});
}

TEST(PageLoader, TheWorkedExampleOf85Bytes) {
  Load(WorkedExample());
  EXPECT_EQ(iBlackIndex, 0);
  EXPECT_EQ(Picture(), (std::vector<std::string>{
                           "................", "................", "................",
                           "..####..####....", "..#..#..#..#....", "..####..####....",
                           "................", "................"}));
}

TEST(PageLoader, ThinSpotsHaveNoPictureBytes) {
  PageWriter page(300, 10, 1, BlackWhite());
  page.Inline(0, 2, 200, 1, {});   // a rule of 200 x 1
  page.Inline(5, 5, 1, 4, {});     // a bar of 1 x 4
  page.Inline(-204, 1, 2, 2, MaskFromRows({"##", "##"}));
  Load(AssembleDocument({page.record}));
  for (int x = 0; x < 200; ++x) ASSERT_EQ(Pixel(x, 2), 0u) << x;
  EXPECT_EQ(Pixel(200, 2), 1u);
  for (int y = 4; y <= 7; ++y) EXPECT_EQ(Pixel(204, y), 0u);
  EXPECT_EQ(Pixel(204, 3), 1u);
  EXPECT_EQ(Pixel(0, 7), 0u);  // the last spot went back to the left edge
  // A thin 1-bit picture has all its bits set too: the value 1, black on an
  // inverted table, nothing where 1 is white.
  for (const std::vector<RgbQuad>& table : {WhiteBlack(), BlackWhite()}) {
    PageWriter picture(8, 4, 1, table);
    picture.ColourEscape(table[0].rgbRed == 255 ? 0 : 1);  // the white index: a picture
    picture.Inline(2, 1, 3, 1, {});
    Load(AssembleDocument({picture.record}));
    EXPECT_EQ(Pixel(3, 1), 1u);
  }
}

TEST(PageLoader, MasksOnEveryDepth) {
  const struct {
    uint16_t bits;
    std::vector<RgbQuad> table;
    uint32_t ink, white;
  } cases[] = {
      {1, BlackWhite(), 0, 1},  {1, WhiteBlack(), 1, 0},       {4, GreyRamp(16), 7, 15},
      {8, GreyRamp(256), 200, 255}, {16, {}, 0x7C00, 0xFFFF}, {24, {}, 0x123456, 0xFFFFFF},
  };
  for (const auto& c : cases) {
    PageWriter page(13, 6, c.bits, c.table);
    page.ColourEscape(c.ink);
    page.Inline(3, 4, 5, 3, MaskFromRows({"#...#", ".#.#.", "..#.."}));
    Load(AssembleDocument({page.record}));
    EXPECT_EQ(Picture(), (std::vector<std::string>{".............", ".............", "...#...#.....",
                                                   "....#.#......", ".....#.......", "............."}))
        << c.bits;
    EXPECT_EQ(Pixel(5, 4), c.ink) << c.bits;
    EXPECT_EQ(Pixel(12, 5), c.white) << c.bits;
  }
}

// Pictures are drawn when the ink is the white index, by columns from the
// bottom, skipping white pixels; 4-bit pixels from the high nibble down.
TEST(PageLoader, RawPicturesSkipWhitePixels) {
  PageWriter page(10, 5, 8, GreyRamp(256));
  page.ColourEscape(255);
  page.Inline(1, 3, 2, 3, {10, 255, 30, 40, 50, 255});
  Load(AssembleDocument({page.record}));
  EXPECT_EQ(Picture()[2], "..#.......");  // the white pixel of column 0 left white
  EXPECT_EQ((std::vector<uint32_t>{Pixel(1, 3), Pixel(1, 1), Pixel(2, 3), Pixel(2, 2)}),
            (std::vector<uint32_t>{10, 30, 40, 50}));
  PageWriter nibbles(6, 4, 4, GreyRamp(16));
  nibbles.ColourEscape(15);
  nibbles.Inline(0, 3, 2, 3, {0x1F, 0x30, 0x45, 0x60});
  Load(AssembleDocument({nibbles.record}));
  EXPECT_EQ((std::vector<uint32_t>{Pixel(0, 3), Pixel(0, 2), Pixel(0, 1), Pixel(1, 3), Pixel(1, 2), Pixel(1, 1)}),
            (std::vector<uint32_t>{1, 15, 3, 4, 5, 6}));
}

TEST(PageLoader, TrueColourPicturesCombineByAnd) {
  PageWriter page(8, 4, 24, {});
  page.ColourEscape(0x0000FF);  // a red-ish mask first
  page.Inline(0, 1, 2, 1, {});
  page.ColourEscape(0xFFFFFF);  // then a picture over it
  page.Inline(-1, 0, 2, 1, {0xFF, 0xFF, 0xFF, 0x0F, 0xF0, 0xFF});
  Load(AssembleDocument({page.record}));
  EXPECT_EQ(Pixel(0, 1), 0x0000FFu);        // white picture pixel leaves it
  EXPECT_EQ(Pixel(1, 1), 0x0000FFu & 0xFFF00Fu);
}

TEST(PageLoader, CompactPicturesOnTrueColourPages) {
  PageWriter page(20, 12, 24, {});
  page.CompactEscape(8);
  Bytes coefficients;
  PutSigned(coefficients, 6);
  for (int i = 1; i < 243; ++i) PutSigned(coefficients, 0);
  page.Inline(2, 10, 9, 9, coefficients);
  page.Inline(1, 0, 3, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9});  // 3 x 1: raw, even under compact coding
  Load(AssembleDocument({page.record}));
  EXPECT_EQ((std::vector<uint32_t>{Pixel(2, 10), Pixel(10, 2), Pixel(1, 10), Pixel(11, 10), Pixel(13, 10)}),
            (std::vector<uint32_t>{0x101010, 0x101010, 0xFFFFFF, 0x030201, 0x090807}));
}

TEST(PageLoader, EscapesInARowAndInkCutToThePageBits) {
  PageWriter page(8, 3, 8, GreyRamp(256));
  page.CompactEscape(0);  // dx = -W: an escape too, not a spot
  page.ColourEscape(0x1FF);  // wider than 8 bits: cut to 0xFF, white
  page.ColourEscape(0x164);  // the later one wins: 0x64
  page.Inline(0, 1, 2, 1, {});
  Load(AssembleDocument({page.record}));
  EXPECT_EQ(Pixel(0, 1), 0x64u);
  EXPECT_FALSE(bCompact);
}

TEST(PageLoader, ReferencesWithinAndAcrossPages) {
  std::vector<Bytes> records(2);
  PageWriter first(12, 6, 1, BlackWhite());
  size_t field = first.Inline(1, 2, 3, 2, MaskFromRows({"#.#", "###"}));
  records[0] = first.record;
  const int32_t shape = RecordOffset(records, 2, 0) + static_cast<int32_t>(field);
  first.Reference(2, 0, shape);
  records[0] = first.record;
  PageWriter second(12, 6, 1, BlackWhite());
  second.Reference(5, 4, shape);
  second.Inline(1, 0, 2, 1, {});  // read from hdoc after the reference
  records[1] = second.record;
  Bytes document = AssembleDocument(records);
  Load(document, 0);
  EXPECT_EQ(Picture()[1] + Picture()[2], ".#.#.#.#.....###.###....");
  Load(document, 1);
  EXPECT_EQ(Picture()[3] + Picture()[4], ".....#.#.........#####..");
}

TEST(PageLoader, SpotsOutsideThePageAreClipped) {
  PageWriter page(6, 4, 8, GreyRamp(256));
  page.ColourEscape(9);
  page.Inline(-3, 1, 5, 3, Bytes(3, 0xFF));   // off the left and the top
  page.Inline(3, 6, 4, 2, Bytes(2, 0xFF));    // off the right and the bottom
  page.Inline(-5, -50, 3, 3, Bytes(3, 0xFF));  // wholly above the page
  Load(AssembleDocument({page.record}));
  EXPECT_EQ(Picture(), (std::vector<std::string>{"##....", "##....", "......", "......"}));
}

TEST(PageLoader, ReusesTheBlockWhileThePageIsNoLarger) {
  std::vector<Bytes> records;
  for (int height : {1024, 410, 614}) {
    PageWriter page(800, height, 1, BlackWhite());  // 100 bytes a row
    page.Inline(0, 0, 1, 1, {});
    records.push_back(page.record);
  }
  Bytes document = AssembleDocument(records);
  for (int page : {0, 1, 2, 2}) Load(document, page, page == 0);
  EXPECT_EQ(iDibBytes, 61400);
  EXPECT_EQ(hostRecord.blockSizes, (std::vector<uint32_t>{102400, 61400}));
  EXPECT_EQ(hostRecord.fits, 3);  // the same size is not fitted again
}

// An offset of the bits of 0 means a full table below 24 bits, none at 24.
TEST(PageLoader, ColourCountRules) {
  Load(AssembleDocument({PageHeaders(4, 4, 24, {}, 0)}));
  EXPECT_EQ(nColors, 0);
  EXPECT_FALSE(bPageReady);  // no spots: nothing to paint
  Load(AssembleDocument({PageHeaders(4, 4, 8, GreyRamp(256), 0)}));
  EXPECT_EQ(nColors, 256);
}

// A header with one field changed.
Bytes Patched(Bytes record, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) record[at + i] = static_cast<uint8_t>(value >> (8 * i));
  return record;
}

TEST(PageLoader, RefusesMalformedPages) {
  const Bytes plain = PageWriter(16, 8, 1, BlackWhite()).record;
  // A 16 x 8 page of `bits` bits per pixel: a compact escape at `scale`
  // (unless negative), then a spot of w x h with these bytes.
  auto page = [](uint16_t bits, int32_t scale, uint32_t w, uint32_t h, const Bytes& data) {
    PageWriter writer(16, 8, bits, bits == 1 ? BlackWhite() : GreyRamp(bits == 8 ? 256 : 0));
    if (scale >= 0) writer.CompactEscape(scale);
    writer.Inline(0, 5, w, h, data);
    return writer.record;
  };
  auto reference = [](int32_t offset) {
    PageWriter writer(16, 8, 1, BlackWhite());
    writer.Reference(0, 0, offset);
    return writer.record;
  };
  Bytes longNumber = plain, cut = page(1, -1, 16, 3, Bytes(6, 0));
  longNumber.insert(longNumber.end(), {0x80, 0x80, 0x80, 0x80, 0x80, 0x00});
  cut.pop_back();
  const std::pair<Bytes, std::string> cases[] = {
      {Patched(plain, 0, 0x4D43, 2), "Process failed since it is NOT a BITMAP"},
      {Patched(plain, 30, 1, 4), "Process failed since BITMAP has compressed format"},
      {Patched(plain, 26, 2, 2), "Process failed since BITMAP has more than 1 bit planes"},
      {Patched(plain, 22, 0xFFFFFFF8u, 4), "The page's width or height is not positive"},
      {Patched(Patched(plain, 18, 1u << 30, 4), 22, 1u << 30, 4), "The page's bitmap is larger than 2 GiB"},
      {Patched(plain, 28, 32, 2), "The page has more than 24 bits per pixel"},
      {page(24, 8, 18, 18, Bytes(971, 0)), "Error of ReadBufSgnCompact"},  // 4 blocks need 972 bytes at least
      {Patched(plain, 10, 54 + 4 * 300, 4), "The BITMAP colour table has more than 256 entries"},
      {page(8, 3, 4, 4, Bytes(100, 0)), "A compact-coded picture lies on a page of fewer than 24 bits per pixel"},
      {longNumber, "Read dx failed"},
      {reference(5), "A spot refers to a place outside the document"},
      {reference(100000), "A spot refers to a place outside the document"},
      {cut, "Read spot image failed"},
      {page(24, 3, 9, 9, Bytes(20, 0)), "Error of ReadBufSgnCompact"},
      {Bytes(plain.begin(), plain.begin() + 30), "Read BITMAPINFOHEADER Failed"},
      {Bytes(plain.begin(), plain.begin() + 56), "Read BITMAP RGB Table Failed"},
  };
  for (const auto& [record, message] : cases) EXPECT_EQ(LoadFailure(AssembleDocument({record})), message) << message;
}

constexpr uint32_t kHugeHeight = 0x7FFFFFFF;

// A spot of no pixels reads nothing: the spot after it is read from the
// next byte. A thin mask of any height draws just the part on the page, and
// so does every reference to it.
TEST(PageLoader, SpotsReachingFarOffThePage) {
  PageWriter page(16, 8, 1, BlackWhite());
  page.Inline(1, 0, 0, kHugeHeight, {});
  page.Inline(0, 0, 1, 0, {});
  const size_t tall = page.Inline(3, 5, 1, kHugeHeight, {});
  for (int i = 0; i < 1000; ++i) page.Reference(0, 0, RecordOffset({page.record}, 1, 0) + static_cast<int32_t>(tall));
  page.Inline(0, 2, 2, 1, {});
  Load(AssembleDocument({page.record}));
  EXPECT_EQ(Picture(), (std::vector<std::string>{"...#............", "...#............", "...#............",
                                                 "...#............", "...#............", "...#............",
                                                 "................", "...##..........."}));
  EXPECT_EQ(sPageCounts.spots, 1004);
  PageWriter empty(16, 8, 1, BlackWhite());
  empty.Inline(0, 0, 0, 5, {});
  Load(AssembleDocument({empty.record}));
  EXPECT_TRUE(bPageReady);  // a page of one spot is shown, even when it has no pixels
}

// A page's spots may draw eight times its pixels and a million more; a
// document that asks for more by repeating a reference is refused.
TEST(PageLoader, DrawingIsBoundedByThePage) {
  for (auto [references, failure] : {std::pair{5000, ""}, {7000, "The page's spots draw more than its size allows"}}) {
    PageWriter page(256, 256, 1, BlackWhite());
    const size_t line = page.Inline(0, 255, 1, 256, {});
    for (int i = 0; i < references; ++i) page.Reference(0, 0, RecordOffset({page.record}, 1, 0) + static_cast<int32_t>(line));
    EXPECT_EQ(LoadFailure(AssembleDocument({page.record})), failure) << references;
  }
}

// Whitening goes by byte patterns: any depth gives white pixels and clear padding.
TEST(PageLoader, WhitensPagesOfOddDepths) {
  for (uint16_t bits : {2, 3, 5, 7}) {
    PageWriter page(13, 2, bits, {});
    Load(AssembleDocument({page.record}));
    for (int x = 0; x < 13; ++x) ASSERT_EQ(Pixel(x, 1), (1u << bits) - 1) << bits << " " << x;
    const uint64_t used = uint64_t{bits} * 13;
    EXPECT_EQ(FetchPixel(pDibBits, used, static_cast<uint32_t>(32 - used % 32)), 0u) << bits;
  }
}

// A document file that grows while it is read: each wait of the reader lets
// the writer add seven more bytes, until it has finished.
const std::string growingPath = TempPath("growing.kwen.bs");
Bytes growingContent;
size_t growingWritten;

bool GrowingWriter() {
  if (growingWritten >= growingContent.size()) return false;
  size_t take = std::min<size_t>(7, growingContent.size() - growingWritten);
  FILE* file = std::fopen(growingPath.c_str(), "ab");
  std::fwrite(growingContent.data() + growingWritten, 1, take, file);
  std::fclose(file);
  growingWritten += take;
  return true;
}

std::string LoadGrowing(const Bytes& document, size_t limit) {
  ResetHost();
  growingContent = Bytes(document.begin(), document.begin() + limit);
  growingWritten = 0;
  WriteFileBytes(growingPath, {});
  DocFile hdoc, hofs;
  EXPECT_TRUE(OpenDocFile(hdoc, growingPath.c_str()));
  EXPECT_TRUE(OpenDocFile(hofs, growingPath.c_str()));
  hdoc.writerRunning = hofs.writerRunning = GrowingWriter;
  std::string failure;
  try {
    ReadDocumentTable(hdoc);
    LoadPage(hdoc, hofs, 0);
  } catch (const DocumentFailure& error) {
    failure = error.what();
  }
  CloseDocFile(hdoc);
  CloseDocFile(hofs);
  return failure;
}

TEST(PageLoader, ReadsAFileThatIsStillBeingWritten) {
  Bytes document = WorkedExample();
  EXPECT_EQ(LoadGrowing(document, document.size()), "");
  EXPECT_EQ(Picture()[3], "..####..####....");
  // Cut short, the writer finishes and the read that waits fails with its message.
  EXPECT_EQ(LoadGrowing(document, 83), "Read sBitMapInfoHeader.BMIH.biHeight of spot file Failed");
}

}  // namespace
