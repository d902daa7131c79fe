#include "engine/coding/symbol_models.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "engine/memory_pack.h"

using namespace testing_support;

namespace {

TEST(PackedFile, HeaderHoldsTheLoweredWindowExponent) {
  const std::pair<size_t, int> cases[] = {{0, 0}, {1, 1}, {5, 3}, {8, 4}, {15, 4}, {1000, 10},
                                          {(1u << 20) - 1, 20}, {1u << 20, 20}};
  for (auto [size, exponent] : cases) {
    Bytes data = TextLike(size, 3);
    EXPECT_EQ(PackBytes(data.data(), data.size(), Switches{})[0] & 0x1F, exponent) << size;
  }
}

// The bits one WriteAdaptiveInt call puts into the stream, and that
// ReadAdaptiveInt takes them back.
std::vector<int> AdaptiveIntBits(uint32_t value, uint8_t k) {
  Bytes out;
  BitFile file;
  OpenBitFileForMemoryWrite(file, &out);
  WriteBits(file, 1, 1);  // a marker, so that leading zero bits show
  WriteAdaptiveInt(value, k, kHpKmax, file);
  uint32_t written = file.position - 1;
  PadToByte(file, 0);
  Finish(file);
  ReleaseBitFile(file);
  BitFile in;
  OpenBitFileForMemoryRead(in, out.data(), out.size());
  uint32_t read = 0, marker = 0;
  ReadBits(in, &marker, 1);
  EXPECT_TRUE(ReadAdaptiveInt(k, kHpKmax, in, &read)) << value << " k " << int(k);
  EXPECT_EQ(read, value) << " k " << int(k);
  ReleaseBitFile(in);
  std::vector<int> bits = StreamBits(out);
  return std::vector<int>(bits.begin() + 1, bits.begin() + 1 + written);
}

TEST(AdaptiveInt, WritesPrefixAndBodyAndReadsThemBack) {
  struct Case {
    uint32_t value;
    uint8_t k;
    std::vector<int> bits;
  } cases[] = {
      {9, 2, {1, 1, 0, 1, 0, 0}}, {0, 0, {0}}, {0, 6, {0, 0, 0, 0, 0, 0, 0}}, {5, 3, {0, 1, 0, 1}},
      {1, 0, {1, 0}}, {5, 0, {1, 1, 1, 0, 1, 0}}, {33, 0, {1, 1, 1, 1, 1, 1, 0, 1, 0, 0, 0, 0}},
      // The longest prefix has no closing zero.
      {0xFFFFFFFFu, 0, std::vector<int>(32 + 31, 1)},
  };
  for (const Case& c : cases) EXPECT_EQ(AdaptiveIntBits(c.value, c.k), c.bits) << c.value << " k " << int(c.k);
  for (uint8_t k = 0; k <= 32; ++k) {
    for (uint32_t value : {0u, 1u, 2u, 3u, 7u, 8u, 100u, 65535u, 1u << 31, 0xFFFFFFFFu}) AdaptiveIntBits(value, k);
  }
}

}  // namespace
