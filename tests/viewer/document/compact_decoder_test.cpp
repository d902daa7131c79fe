#include "viewer/document/compact_decoder.h"

#include <gtest/gtest.h>

#include "tests/viewer/document/document_builder.h"
#include "tests/viewer/document/test_host.h"
#include "viewer/document/document_state.h"
#include "viewer/document/page_state.h"

using namespace testing_support;

namespace {

// The encoder shares these tables, so a wrong entry would round-trip
// unnoticed: a few known values of each.
TEST(CompactTables, CosinesAndQuantiserSteps) {
  iQuantScale = 1;
  BuildQuantTables();
  const int32_t products[][3] = {{0, 0, 1024}, {0, 1, 946}, {1, 3, 362}, {3, 3, 150}, {4, 2, 0}, {5, 5, 256}};
  for (auto [p, q, product] : products) EXPECT_EQ(aCosProd[p][q], product) << p << "," << q;
  const int32_t indices[][3] = {{0, 0, 5}, {3, 0, 5}, {2, 8, 5}, {1, 1, 1}, {3, 3, 1}, {2, 2, 4}, {5, 7, 3}, {8, 4, 0}};
  for (auto [n, k, m] : indices) EXPECT_EQ(aCosIndex[n][k], m) << n << "," << k;
  const int32_t signs[][3] = {{0, 3, 0}, {1, 8, 1}, {2, 8, 0}, {3, 1, 0}, {5, 1, 1}};  // of cos(nk pi / 8)
  for (auto [n, k, negative] : signs) EXPECT_EQ(aCosSign[n][k], negative) << n << "," << k;
  const int32_t steps[][4] = {{0, 0, 0, 5}, {0, 0, 1, 4}, {0, 0, 8, 53}, {1, 0, 2, 43}, {1, 0, 3, 171},
                              {1, 0, 4, 255}, {2, 0, 0, 21}, {2, 0, 2, 171}};
  for (auto [c, u, v, step] : steps) EXPECT_EQ(aQuant[c][u][v], step) << c << "," << u << "," << v;
  iQuantScale = 8;
  BuildQuantTables();
  EXPECT_EQ(aQuant[0][0][0], 43);
  iQuantScale = 0;  // every step below 1: the coarsest
  BuildQuantTables();
  EXPECT_EQ(aQuant[0][0][0], 255);
}

// Decodes `coefficients` (one per channel, u, v, block) as a w x h picture
// at scale q; the reader must stop where the coefficients end, even when
// `tail` bytes follow that it read ahead.
Bytes Decode(uint32_t w, uint32_t h, int32_t q, const std::vector<int32_t>& coefficients, size_t tail = 0) {
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
  Bytes pixels(3 * w * h, 0xEE);
  ReadBufSgnCompact(file, pixels.data(), h, w, 24);
  EXPECT_EQ(SeekDocFile(file, 0, kSeekCurrent), used);
  return pixels;
}

TEST(CompactDecoder, BlocksCoverTheEdgesAndDcIsPredicted) {
  // 10 x 4: two blocks side by side. DC differences 6 then 0: both blocks 16.
  std::vector<int32_t> coefficients(3 * 81 * 2, 0);
  coefficients[0] = 6;
  coefficients[1] = 0;
  for (uint8_t byte : Decode(10, 4, 8, coefficients)) ASSERT_EQ(byte, 16);
  // A difference of -6 for the second block brings it back to 0.
  coefficients[1] = -6;
  const Bytes pixels = Decode(10, 4, 8, coefficients);
  for (size_t at = 0; at < pixels.size(); ++at) ASSERT_EQ(pixels[at], at < 9 * 12 ? 16 : 0) << at;  // columns of 12 bytes
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
    const Bytes pixels = Decode(9, 9, 8, coefficients);
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
  const Bytes pixels = Decode(9, 9, 8, coefficients);
  const int left = pixels[0], middle = pixels[4 * 27], right = pixels[8 * 27];  // columns of 27 bytes
  EXPECT_GT(left, middle);
  EXPECT_LT(right, middle);
  for (uint32_t r = 1; r < 9; ++r) EXPECT_EQ(pixels[r * 3], left);  // the same in every row
}

TEST(CompactDecoder, GivesBackWhatItReadAhead) {
  Decode(18, 18, 3, std::vector<int32_t>(3 * 81 * 4, 1), 3000);  // where it stopped is checked inside
}

}  // namespace
