#include "utility/coding/symbol_models.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "utility/memory_pack.h"

using namespace testing_support;

namespace {

std::string Hex(const Bytes& bytes) {
  static const char* const kDigits = "0123456789abcdef";
  std::string text;
  for (uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
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
    Bytes packed = PackBytes(data.data(), data.size(), Switches{});
    EXPECT_EQ(packed[0] & 0x1F, exponent) << size;
  }
}

TEST(PackedFile, EndsWithOnePaddingAtAByteBoundary) {
  for (size_t size : {0u, 1u, 2u, 17u, 300u, 4099u}) {
    Bytes data = RandomBytes(size, unsigned(size) + 1);
    Bytes packed = PackBytes(data.data(), data.size(), Switches{});
    UnpackResult restored = UnpackBytes(packed.data(), packed.size());
    EXPECT_EQ(restored.end, DecodeEnd::kEndMark) << size;
    EXPECT_EQ(restored.bytes, data) << size;
  }
}

// The bits one WriteAdaptiveInt call puts into the stream.
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
  std::vector<int> bits = StreamBits(out);
  return std::vector<int>(bits.begin() + 1, bits.begin() + 1 + written);
}

TEST(AdaptiveInt, WritesPrefixAndBody) {
  struct Case {
    uint32_t value;
    uint8_t k;
    std::vector<int> bits;
  } cases[] = {
      {9, 2, {1, 1, 0, 1, 0, 0}},
      {0, 0, {0}},
      {0, 6, {0, 0, 0, 0, 0, 0, 0}},
      {5, 3, {0, 1, 0, 1}},
      {1, 0, {1, 0}},
      {5, 0, {1, 1, 1, 0, 1, 0}},
      {33, 0, {1, 1, 1, 1, 1, 1, 0, 1, 0, 0, 0, 0}},
      // The longest prefix has no closing zero.
      {0xFFFFFFFFu, 0, std::vector<int>(32 + 31, 1)},
  };
  for (const Case& c : cases) EXPECT_EQ(AdaptiveIntBits(c.value, c.k), c.bits) << c.value << " k " << int(c.k);
}

TEST(AdaptiveInt, ReadsBackWhatWasWritten) {
  const uint32_t values[] = {0, 1, 2, 3, 7, 8, 100, 65535, 1u << 31, 0xFFFFFFFFu};
  for (uint8_t k = 0; k <= 32; ++k) {
    for (uint32_t value : values) {
      Bytes out;
      BitFile file;
      OpenBitFileForMemoryWrite(file, &out);
      WriteAdaptiveInt(value, k, kHpKmax, file);
      PadToByte(file, 0);
      Finish(file);
      ReleaseBitFile(file);
      BitFile in;
      OpenBitFileForMemoryRead(in, out.data(), out.size());
      uint32_t read = 0;
      ASSERT_TRUE(ReadAdaptiveInt(k, kHpKmax, in, &read)) << value << " k " << int(k);
      EXPECT_EQ(read, value) << " k " << int(k);
      ReleaseBitFile(in);
    }
  }
}

TEST(HpModel, ExtensionParameterFollowsTheAverageLength) {
  struct Case {
    std::vector<uint32_t> extensions;
    std::vector<int> kBefore;
    int kAfter;
  } cases[] = {
      {{33, 0, 5, 100}, {0, 6, 3, 3}, 4},
      {{1}, {0}, 1},
      {{5}, {0}, 3},
  };
  for (const Case& c : cases) {
    HpModel hp;
    BuildHp(hp);
    Bytes out;
    BitFile file;
    OpenBitFileForMemoryWrite(file, &out);
    for (size_t i = 0; i < c.extensions.size(); ++i) {
      EXPECT_EQ(hp.k, c.kBefore[i]) << i;
      EncodeHp(hp, kEscapeSymbol + c.extensions[i], file);
    }
    EXPECT_EQ(hp.k, c.kAfter);
    ReleaseBitFile(file);
    ReleaseHp(hp);
  }
}

TEST(HpModel, ExtensionStatisticsHalveAtOnceForSmallAverages) {
  HpModel hp;
  BuildHp(hp);
  Bytes out;
  BitFile file;
  OpenBitFileForMemoryWrite(file, &out);
  EncodeHp(hp, kEscapeSymbol + 1, file);
  EXPECT_EQ(hp.extensionCount, 0u);
  EXPECT_EQ(hp.extensionBits, 0u);
  ReleaseBitFile(file);
  ReleaseHp(hp);
}

// How many bits one token adds to the stream.
unsigned BitsOfMatch(uint32_t distance) {
  HlModel hl;
  BuildHl(hl, 21);
  unsigned codeLength = GetCode(*hl.tree, BitLength(distance - 1)).length;
  Bytes out;
  BitFile file;
  OpenBitFileForMemoryWrite(file, &out);
  EncodeHl(hl, distance - 1, file);
  unsigned written = file.position;
  ReleaseBitFile(file);
  ReleaseHl(hl);
  return written - codeLength;
}

TEST(HlModel, SendsBitLengthThenTheLowBits) {
  const std::pair<uint32_t, unsigned> rawBits[] = {{1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 2}, {1000, 9}};
  for (auto [distance, raw] : rawBits) EXPECT_EQ(BitsOfMatch(distance), raw) << distance;
}

TEST(HlModel, DecodesEveryDistanceBack) {
  const uint32_t values[] = {0, 1, 2, 3, 4, 1000, (1u << 20) - 1, 12345, 7};
  HlModel writer;
  BuildHl(writer, 21);
  Bytes out;
  BitFile file;
  OpenBitFileForMemoryWrite(file, &out);
  for (uint32_t v : values) EncodeHl(writer, v, file);
  PadToByte(file, 1);
  Finish(file);
  ReleaseBitFile(file);
  HlModel reader;
  BuildHl(reader, 21);
  BitFile in;
  OpenBitFileForMemoryRead(in, out.data(), out.size());
  for (uint32_t v : values) {
    uint32_t read;
    ASSERT_TRUE(DecodeHl(reader, in, &read));
    EXPECT_EQ(read, v);
  }
  ReleaseBitFile(in);
  ReleaseHl(writer);
  ReleaseHl(reader);
}

TEST(HpModel, EndMarkIsTheEscapeCodeAndLeavesTheTreeAlone) {
  HpModel hp;
  BuildHp(hp);
  Bytes out;
  BitFile file;
  OpenBitFileForMemoryWrite(file, &out);
  // 4081 symbols: the last update rebuilt the tree.
  for (int i = 0; i < 4081; ++i) EncodeHp(hp, static_cast<uint32_t>(i % 200), file);
  HuffmanCode escape = GetCode(*hp.tree, kEscapeSymbol);
  std::vector<int> weights(hp.tree->weight, hp.tree->weight + hp.tree->nodeCount);
  uint32_t before = file.position;
  EncodeEndHp(hp, file);
  EXPECT_EQ(file.position % 8, 0u);
  EXPECT_GE(file.position - before, escape.length);
  EXPECT_EQ(std::vector<int>(hp.tree->weight, hp.tree->weight + hp.tree->nodeCount), weights);
  ReleaseBitFile(file);
  ReleaseHp(hp);
}

TEST(DistanceModel, ChosenByMatchLength) {
  const std::pair<int, int> cases[] = {{3, 0}, {4, 1}, {8, 5}, {9, 6}, {65, 6}, {1000, 6}};
  for (auto [length, model] : cases) EXPECT_EQ(DistanceModelFor(length + kLengthBias), model) << length;
}

}  // namespace
