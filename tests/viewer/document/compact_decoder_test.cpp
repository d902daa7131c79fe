#include "viewer/document/compact_decoder.h"

#include <gtest/gtest.h>

#include "tests/viewer/document/document_builder.h"
#include "tests/viewer/document/test_host.h"
#include "viewer/document/document_state.h"
#include "viewer/document/page_state.h"

using namespace testing_support;

namespace {

TEST(CompactTables, CosineProductsAndIndices) {
  BuildCosTables();
  const int32_t expected[6][6] = {{1024, 946, 724, 392, 0, 512}, {946, 874, 669, 362, 0, 473},
                                  {724, 669, 512, 277, 0, 362},  {392, 362, 277, 150, 0, 196},
                                  {0, 0, 0, 0, 0, 0},            {512, 473, 362, 196, 0, 256}};
  for (int p = 0; p < 6; ++p) {
    for (int q = 0; q < 6; ++q) EXPECT_EQ(aCosProd[p][q], expected[p][q]) << p << "," << q;
  }
  const int32_t indices[][3] = {{0, 0, 5}, {3, 0, 5}, {2, 8, 5}, {1, 1, 1}, {3, 3, 1}, {2, 2, 4}, {5, 7, 3}, {8, 4, 0}};
  for (auto [n, k, m] : indices) EXPECT_EQ(aCosIndex[n][k], m) << n << "," << k;
  // The signs follow cos(nk pi / 8): positive on the first row, alternating at k = 8.
  EXPECT_EQ(aCosSign[0][3], 0);
  EXPECT_EQ(aCosSign[1][8], 1);  // cos(pi)
  EXPECT_EQ(aCosSign[2][8], 0);  // cos(2 pi)
  EXPECT_EQ(aCosSign[3][1], 0);
  EXPECT_EQ(aCosSign[5][1], 1);
}

TEST(CompactTables, QuantiserSteps) {
  iQuantScale = 1;
  BuildQuantTables();
  const int32_t rows[3][9] = {{5, 4, 5, 6, 8, 11, 15, 20, 53},
                              {5, 11, 43, 171, 255, 255, 255, 255, 255},
                              {21, 43, 171, 255, 255, 255, 255, 255, 255}};
  for (int c = 0; c < 3; ++c) {
    for (int v = 0; v < 9; ++v) EXPECT_EQ(aQuant[c][0][v], rows[c][v]) << c << "," << v;
  }
  iQuantScale = 8;
  BuildQuantTables();
  EXPECT_EQ(aQuant[0][0][0], 43);
  iQuantScale = 0;
  BuildQuantTables();
  for (int c = 0; c < 3; ++c) {
    for (int u = 0; u < 9; ++u) {
      for (int v = 0; v < 9; ++v) ASSERT_EQ(aQuant[c][u][v], 255);
    }
  }
}

// Decodes `coefficients` (one per channel, u, v, block) as a w x h picture
// at scale q; the page ends where the coefficients end unless `tail` follows.
struct Decoded {
  Bytes pixels;
  int64_t handleAt;
};

Decoded Decode(uint32_t w, uint32_t h, int32_t q, const std::vector<int32_t>& coefficients, size_t tail = 0) {
  ResetHost();
  Bytes data;
  for (int32_t c : coefficients) PutSigned(data, c);
  const int64_t used = static_cast<int64_t>(data.size());
  data.resize(data.size() + tail, 0x55);
  iCurPage = 0;
  aPageOffset[0] = 0;
  aPageOffset[1] = static_cast<int32_t>(data.size());
  iQuantScale = q;
  BuildQuantTables();
  DocFile file;
  OpenMemoryDocFile(file, data.data(), static_cast<int64_t>(data.size()));
  Decoded out{Bytes(3 * w * h, 0xEE), 0};
  ReadBufSgnCompact(file, out.pixels.data(), h, w, 24);
  out.handleAt = SeekDocFile(file, 0, kSeekCurrent);
  EXPECT_EQ(out.handleAt, used);
  return out;
}

TEST(CompactDecoder, BlocksCoverTheEdgesAndDcIsPredicted) {
  // 10 x 4: two blocks side by side. DC differences 6 then 0: both blocks 16.
  std::vector<int32_t> coefficients(3 * 81 * 2, 0);
  coefficients[0] = 6;
  coefficients[1] = 0;
  for (uint8_t byte : Decode(10, 4, 8, coefficients).pixels) ASSERT_EQ(byte, 16);
  // A difference of -6 for the second block brings it back to 0.
  coefficients[1] = -6;
  Decoded out = Decode(10, 4, 8, coefficients);
  const size_t columnBytes = 3 * 4;
  for (uint32_t x = 0; x < 10; ++x) {
    for (uint32_t r = 0; r < 4; ++r) {
      ASSERT_EQ(out.pixels[x * columnBytes + r * 3], x < 9 ? 16 : 0) << x << "," << r;
    }
  }
}

// A block of DC alone is one colour: channel 0 is brightness, saturating at
// 0 and 255; channel 1 adds to blue and takes from red; bytes are blue,
// green, red.
TEST(CompactDecoder, DcOnlyBlocksClipAndTransformTheColour) {
  struct Case {
    int32_t y0, y1;
    uint8_t blue, green, red;
  } cases[] = {{6, 0, 16, 16, 16}, {100, 0, 255, 255, 255}, {-100, 0, 0, 0, 0}, {24, 1, 70, 65, 59}};
  for (const Case& c : cases) {
    std::vector<int32_t> coefficients(3 * 81, 0);
    coefficients[0] = c.y0;
    coefficients[81] = c.y1;
    const Bytes pixels = Decode(9, 9, 8, coefficients).pixels;
    for (size_t p = 0; p < pixels.size(); p += 3) {
      ASSERT_EQ((Bytes{pixels[p], pixels[p + 1], pixels[p + 2]}), (Bytes{c.blue, c.green, c.red})) << c.y0 << " " << p;
    }
  }
}

TEST(CompactDecoder, AcCoefficientsShapeTheBlock) {
  // One coefficient at u = 1 (across): columns on the left and right differ
  // in sign, the middle column (n = 4) is untouched.
  std::vector<int32_t> coefficients(3 * 81, 0);
  coefficients[0] = 8;
  coefficients[9] = 3;  // channel 0, u = 1, v = 0
  Decoded out = Decode(9, 9, 8, coefficients);
  const size_t columnBytes = 27;
  int left = out.pixels[0], middle = out.pixels[4 * columnBytes], right = out.pixels[8 * columnBytes];
  EXPECT_GT(left, middle);
  EXPECT_LT(right, middle);
  for (uint32_t r = 1; r < 9; ++r) EXPECT_EQ(out.pixels[r * 3], left);  // the same in every row
}

TEST(CompactDecoder, GivesBackWhatItReadAhead) {
  Decode(18, 18, 3, std::vector<int32_t>(3 * 81 * 4, 1), 3000);  // where it stopped is checked inside
}

}  // namespace
