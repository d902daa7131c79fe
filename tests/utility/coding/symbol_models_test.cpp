#include "utility/coding/symbol_models.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "utility/memory_pack.h"

using namespace testing_support;

namespace {

std::string Hex(const Bytes& bytes) {
  std::string text;
  for (uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += "0123456789abcdef"[b >> 4];
    text += "0123456789abcdef"[b & 15];
  }
  return text;
}

TEST(PackedFile, ShortSourcesGiveTheseExactFiles) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "a0 ff"},
      {"x", "e1 c7 8f"},
      {"abababab", "e4 e1 a3 60 1b fe"},
      {"aaaaaaaaaa", "e4 61 58 0f ff"},
      {"abcabcabcabc", "e4 e1 a3 c7 66 68 f8"},
      {std::string(67, 'a'), "e7 e1 43 17"},
      {std::string(100, 'a'), "e7 e1 c3 5f b8 f8"},
  };
  for (const auto& [source, packed] : cases) {
    Bytes data = BytesOf(source);
    EXPECT_EQ(Hex(PackBytes(data.data(), data.size(), Switches{})), packed) << source;
  }
}

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

// Every model, the window sizes and the searches at once: larger sources
// of every kind pack to these sizes and FNV-1a digests.
TEST(PackedFile, LargerSourcesGiveTheseExactFiles) {
  struct Case {
    const char* what;
    Bytes source;
    char search, size;
    size_t packedSize;
    uint64_t digest;
  };
  const Case cases[] = {
      {"text", TextLike(100000, 61), 'G', '1', 19872, 0x4707525047bece03u},
      {"records", Structured(60000, 62), 'F', 'C', 15830, 0x943e14ae81a76862u},
      {"runs", Runs(80000, 63), 'T', 'T', 412, 0xe4313587e6a2f12bu},
      {"random", RandomBytes(5000, 64), 'Q', 'H', 5102, 0xa1ad1cf74750bb6eu},
      {"long runs", Runs(300000, 65), 'S', 'S', 1244, 0xb2418efd6cb3b3c2u},
  };
  for (const Case& c : cases) {
    const Bytes packed =
        PackBytes(c.source.data(), c.source.size(), Switches{SearchExponentFor(c.search), WindowExponentFor(c.size)});
    uint64_t digest = 14695981039346656037u;
    for (uint8_t b : packed) digest = (digest ^ b) * 1099511628211u;
    EXPECT_EQ(packed.size(), c.packedSize) << c.what;
    EXPECT_EQ(digest, c.digest) << c.what;
  }
}

}  // namespace
