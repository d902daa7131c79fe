#include "builder/document_writer.h"

#include <gtest/gtest.h>

#include "tests/builder/builder_support.h"
#include "tests/document/test_host.h"
#include "document/document_format.h"
#include "document/page_state.h"

using namespace testing_support;

namespace {

// The builder writes numbers as the viewer reads them back.
TEST(Numbers, EncodingsAndTheirSizes) {
  const std::tuple<int64_t, bool, Bytes> cases[] = {
      {300, false, {0xAC, 0x02}},     {0, false, {0x00}},           {127, false, {0x7F}},
      {128, false, {0x80, 0x01}},     {1 << 21, false, {0x80, 0x80, 0x80, 0x01}},
      {UINT32_MAX, false, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F}},          {3, true, {0x06}},
      {-3, true, {0x07}},             {-65, true, {0x83, 0x01}},    {63, true, {0x7E}},
      {64, true, {0x80, 0x01}},       {INT32_MAX, true, {0xFE, 0xFF, 0xFF, 0xFF, 0x0F}},
      {-INT32_MAX, true, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F}},
  };
  for (const auto& [value, isSigned, bytes] : cases) {
    Bytes out;
    if (isSigned) PutSignedNumber(out, static_cast<int32_t>(value));
    else PutUnsignedNumber(out, static_cast<uint32_t>(value));
    EXPECT_EQ(out, bytes) << value;
    EXPECT_EQ(isSigned ? SignedNumberSize(static_cast<int32_t>(value)) : UnsignedNumberSize(static_cast<uint32_t>(value)),
              out.size()) << value;
    DocFile file;
    OpenMemoryDocFile(file, out.data(), static_cast<int64_t>(out.size()));
    int32_t signedValue = 0;
    uint32_t read = 0;
    if (isSigned) EXPECT_EQ(ReadSignedNumber(file, &signedValue, "m"), static_cast<int>(out.size()));
    else EXPECT_EQ(ReadUnsignedNumber(file, &read, "m"), static_cast<int>(out.size()));
    EXPECT_EQ(isSigned ? signedValue : int64_t{read}, value);
  }
}

// A page of `width` x 40 with the stream's first spot at the record's end.
struct OnePage {
  DocumentWriter document;
  SpotStream stream;
};

void StartPage(OnePage& page, int32_t width, uint16_t bits) {
  BeginDocument(page.document, 1);
  BeginPage(page.document, width, 40, bits, 11811, 11811);
  page.stream = StartSpots(page.document, width, bits == 1 ? 1 : kWhite24);
}

Bytes Box3x3() { return Bytes{0xE0, 0xA0, 0xE0}; }

TEST(DocumentWriter, RepeatedMaskIsStoredOnceAndReferred) {
  ResetHost();
  OnePage page;
  StartPage(page, 64, 1);
  PutMask(page.stream, 2, 10, 3, 3, Box3x3());
  const size_t heightField = page.document.bytes.size() - 5;  // height field, width, three rows
  PutMask(page.stream, 10, 10, 3, 3, Box3x3());
  PutMask(page.stream, 20, 30, 3, 3, Bytes{0xE0, 0xE0, 0xE0});
  PutMask(page.stream, 30, 30, 3, 3, Box3x3());
  ASSERT_TRUE(EndPage(page.document));
  EXPECT_EQ(page.document.counts.inlineMasks, 2);
  EXPECT_EQ(page.document.counts.references, 2);
  EXPECT_EQ(page.document.counts.spots, 4);
  // The last record: dx, dy, then the first copy's height field offset.
  Bytes reference;
  PutSignedNumber(reference, 30 - 22);
  PutSignedNumber(reference, 0);
  PutSignedNumber(reference, static_cast<int32_t>(heightField));
  EXPECT_TRUE(std::equal(reference.begin(), reference.end(), page.document.bytes.end() - reference.size()));

  const PageImage built = LoadBuiltPage(page.document, 0);
  EXPECT_EQ(Session().page.counts.references, 2);
  for (auto [left, bottom] : {std::pair{2, 10}, {10, 10}, {30, 30}}) {
    EXPECT_EQ(built.rgb[((bottom - 1) * 64 + left + 1) * 3], 255) << left;  // the box's hollow middle
    EXPECT_EQ(built.rgb[((bottom - 2) * 64 + left) * 3], 0) << left;        // its top left corner
  }
  EXPECT_EQ(built.rgb[(29 * 64 + 21) * 3], 0);  // the filled box
}

TEST(DocumentWriter, ThinMasksAndCostlyReferencesStayInline) {
  ResetHost();
  OnePage page;
  StartPage(page, 64, 1);
  PutMask(page.stream, 0, 5, 1, 5, Bytes{0x80, 0x80, 0x80, 0x80, 0x80});
  PutMask(page.stream, 4, 5, 1, 5, Bytes{0x80, 0x80, 0x80, 0x80, 0x80});
  EXPECT_EQ(page.document.counts.references, 0);
  EXPECT_EQ(page.document.counts.inlineMasks, 2);
  // Thin masks carry no bits: dx, dy, height, width only.
  EXPECT_EQ(page.document.bytes.size(), page.document.pageStart + 62 + 2 * 4);

  // Past 2^20 a reference's offset takes 4 bytes: no gain over a 2 x 2 mask
  // stored inline again.
  page.document.bytes.resize(size_t{1} << 21, 0);
  PutMask(page.stream, 10, 5, 2, 2, Bytes{0xC0, 0xC0});
  PutMask(page.stream, 20, 5, 2, 2, Bytes{0xC0, 0xC0});
  EXPECT_EQ(page.document.counts.references, 0);
  PutMask(page.stream, 30, 5, 4, 4, Bytes{0xF0, 0xF0, 0xF0, 0xF0});
  PutMask(page.stream, 40, 5, 4, 4, Bytes{0xF0, 0xF0, 0xF0, 0xF0});
  EXPECT_EQ(page.document.counts.references, 1);
}

TEST(DocumentWriter, EscapesOnlyWhenTheStateChanges) {
  OnePage page;
  StartPage(page, 100, 24);
  const size_t start = page.document.bytes.size();
  SelectInk(page.stream, kBlackInk);  // the state a page starts in
  EXPECT_EQ(page.document.bytes.size(), start);
  SelectInk(page.stream, 0x123456);
  SelectInk(page.stream, 0x123456);
  SelectCompact(page.stream, 5);
  SelectCompact(page.stream, 5);
  SelectCompact(page.stream, 6);
  SelectInk(page.stream, kWhite24);  // leaves compact coding
  Bytes expected;
  PutSignedNumber(expected, 100 + 0x123456);
  PutSignedNumber(expected, -105);
  PutSignedNumber(expected, -106);
  PutSignedNumber(expected, 100 + static_cast<int32_t>(kWhite24));
  EXPECT_EQ(Bytes(page.document.bytes.begin() + start, page.document.bytes.end()), expected);
  EXPECT_FALSE(page.stream.compact);
}

TEST(DocumentWriter, PageHeadersDescribeTheBitmap) {
  struct Case {
    uint16_t bits;
    uint32_t offBits, fileSize;  // rows of 30 pixels padded to 4 bytes: 4 or 92 bytes
    int32_t colours;
  };
  for (const Case& test : {Case{1, 62, 62 + 4 * 40, 2}, Case{24, 54, 54 + 92 * 40, 0}}) {
    ResetHost();
    OnePage page;
    StartPage(page, 30, test.bits);
    SelectInk(page.stream, page.stream.whiteInk);
    PutPicture(page.stream, 0, 0, 1, 1, test.bits == 1 ? Bytes{} : Bytes{0xFF, 0xFF, 0xFF}, false);
    ASSERT_TRUE(EndPage(page.document));
    LoadBuiltPage(page.document, 0);
    const BitmapInfoHeader& info = Session().page.info.BMIH;
    const uint32_t offBits = Session().page.fileHeader.bfOffBits, fileSize = Session().page.fileHeader.bfSize;  // packed fields
    EXPECT_EQ(offBits, test.offBits);
    EXPECT_EQ(fileSize, test.fileSize);
    EXPECT_EQ(info.biBitCount, test.bits);
    EXPECT_EQ(Session().page.colorCount, test.colours);
    EXPECT_EQ(Session().page.whiteIndex, test.bits == 1 ? 1 : static_cast<int32_t>(kWhite24));
  }
}

}  // namespace
