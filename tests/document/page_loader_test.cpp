#include "document/page_loader.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/document/document_builder.h"
#include "tests/document/test_host.h"
#include "document/bmp_reader.h"
#include "document/document_format.h"
#include "document/document_state.h"
#include "document/page_state.h"

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
  ReadDocumentTable(Session().document, Session().host, hdoc);
  Session().document.currentPage = page;
  LoadPage(Session().document, Session().page, Session().host, hdoc, hofs, page);
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
  const BitmapInfoHeader& info = Session().page.info.BMIH;
  uint64_t stride = RowBytes(info.biBitCount, info.biWidth);
  const uint8_t* row = Session().page.bits + stride * (info.biHeight - 1 - y);
  return FetchPixel(row, uint64_t{info.biBitCount} * x, info.biBitCount);
}

// The page as text, top row first: '#' where the pixel differs from white.
std::vector<std::string> Picture() {
  std::vector<std::string> rows;
  for (int y = 0; y < Session().page.info.BMIH.biHeight; ++y) {
    std::string row;
    for (int x = 0; x < Session().page.info.BMIH.biWidth; ++x) {
      row += Pixel(x, y) == static_cast<uint32_t>(Session().page.whiteIndex) ? '.' : '#';
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

TEST(PageLoader, ReusesTheBlockWhileThePageIsNoLarger) {
  std::vector<Bytes> records;
  for (int height : {1024, 410, 614}) {
    PageWriter page(800, height, 1, BlackWhite());  // 100 bytes a row
    page.Inline(0, 0, 1, 1, {});
    records.push_back(page.record);
  }
  Bytes document = AssembleDocument(records);
  for (int page : {0, 1, 2, 2}) Load(document, page, page == 0);
  EXPECT_EQ(Session().page.bitsBytes, 61400);
  EXPECT_EQ(Session().host.record.blockSizes, (std::vector<uint32_t>{102400, 61400}));
  EXPECT_EQ(Session().host.record.fits, 3);  // the same size is not fitted again
}

// An offset of the bits of 0 means a full table below 24 bits, none at 24.
// Before any colour escape the ink is the table's black, wherever it lies.
TEST(PageLoader, ColourTableRules) {
  Load(AssembleDocument({PageHeaders(4, 4, 24, {}, 0)}));
  EXPECT_EQ(Session().page.colorCount, 0);
  EXPECT_FALSE(Session().page.ready);  // no spots: nothing to paint
  Load(AssembleDocument({PageHeaders(4, 4, 8, GreyRamp(256), 0)}));
  EXPECT_EQ(Session().page.colorCount, 256);
  PageWriter inverted(16, 8, 1, WhiteBlack());
  inverted.Inline(0, 0, 1, 1, {});
  Load(AssembleDocument({inverted.record}));
  EXPECT_EQ(Session().page.blackIndex, 1);
  EXPECT_EQ(Pixel(0, 0), 1u);
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
  // A reference to the byte just past the document: the record's length
  // does not change with the offset written.
  Bytes pastTheEnd = reference(1000);
  const int32_t documentEnd = RecordOffset({pastTheEnd}, 1, 0) + static_cast<int32_t>(pastTheEnd.size());
  pastTheEnd = reference(documentEnd);
  ASSERT_EQ(RecordOffset({pastTheEnd}, 1, 0) + static_cast<int32_t>(pastTheEnd.size()), documentEnd);
  // A number runs to at most five groups of seven bits, the top bit set on
  // all but the last: a longer one, or one cut short, is refused.
  Bytes longNumber = plain, cutNumber = plain, cut = page(1, -1, 16, 3, Bytes(6, 0));
  longNumber.insert(longNumber.end(), {0x80, 0x80, 0x80, 0x80, 0x80, 0x00});
  cutNumber.push_back(0x80);
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
      {cutNumber, "Read dx failed"},
      {reference(5), "A spot refers to a place outside the document"},
      {reference(100000), "A spot refers to a place outside the document"},
      {pastTheEnd, "A spot refers to a place outside the document"},
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
  EXPECT_EQ(Session().page.counts.spots, 1004);
  PageWriter empty(16, 8, 1, BlackWhite());
  empty.Inline(0, 0, 0, 5, {});
  Load(AssembleDocument({empty.record}));
  EXPECT_TRUE(Session().page.ready);  // a page of one spot is shown, even when it has no pixels
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

// A plain BMP file is its own page; one that lacks some of its bits, or a
// missing one, is refused naming the file.
TEST(PageLoader, ReadsPlainBitmapFiles) {
  ResetHost();
  const std::string path = TempPath("plain.bmp");
  const auto withBits = [](const Bytes& bits) {
    Bytes file = PageHeaders(4, 2, 8, GreyRamp(256));
    file.insert(file.end(), bits.begin(), bits.end());
    return file;
  };
  WriteFileBytes(path, withBits({1, 2, 3, 4, 5, 6, 7, 8}));
  ReadBmpFile(Session().page, Session().host, path.c_str());
  EXPECT_TRUE(Session().page.ready);
  EXPECT_EQ(Bytes(Session().page.bits, Session().page.bits + Session().page.bitsBytes), (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  const std::string cut = TempPath("short.bmp");
  WriteFileBytes(cut, withBits({1, 2, 3, 4, 5, 6, 7}));  // a byte short
  const std::string missing = TempPath("missing.bmp");
  std::remove(missing.c_str());
  const std::pair<std::string, std::string> refusals[] = {
      {cut, cut + " is cut short (it ends inside its bitmap of 8 bytes)"},
      {missing, "Error Opening File " + missing}};
  for (const auto& [refused, message] : refusals) {
    try {
      ReadBmpFile(Session().page, Session().host, refused.c_str());
      ADD_FAILURE() << refused << " was read";
    } catch (const DocumentFailure& failure) {
      EXPECT_EQ(std::string(failure.what()), message);
    }
    EXPECT_FALSE(Session().page.ready);
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
    ReadDocumentTable(Session().document, Session().host, hdoc);
    LoadPage(Session().document, Session().page, Session().host, hdoc, hofs, 0);
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
