#include "utility/bit_file.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

using namespace testing_support;

namespace {

struct WriteFixture {
  std::string path;
  BitFile file;
  explicit WriteFixture(const char* name) : path(TempPath(name)) {
    OpenBitFile(file, path.c_str(), true, kBitFileBufferSize);
  }
  size_t OnDisk() const { return ReadFileBytes(path).size(); }
};

TEST(BitFile, FiveBitsThenThreeOnesMakeOneByte) {
  WriteFixture out("five_three.bin");
  WriteBits(out.file, 20, 5);
  for (int i = 0; i < 3; ++i) WriteBit(out.file, 1);
  Finish(out.file);
  ReleaseBitFile(out.file);
  EXPECT_EQ(ReadFileBytes(out.path), Bytes{0xF4});
}

TEST(BitFile, WriteBitFlushesOnlyAFullBuffer) {
  WriteFixture out("full_buffer.bin");
  for (int i = 0; i < 8192; ++i) WriteBit(out.file, i % 3 == 0);
  EXPECT_EQ(out.OnDisk(), 0u);
  WriteBit(out.file, 1);
  EXPECT_EQ(out.OnDisk(), 1024u);
  PadToByte(out.file, 0);
  Finish(out.file);
  ReleaseBitFile(out.file);
  Bytes bytes = ReadFileBytes(out.path);
  ASSERT_EQ(bytes.size(), 1025u);
  std::vector<int> bits = StreamBits(bytes);
  for (int i = 0; i < 8192; ++i) ASSERT_EQ(bits[i], i % 3 == 0 ? 1 : 0) << i;
  EXPECT_EQ(bits[8192], 1);
}

TEST(BitFile, WriteBitsFlushesEarlyAndKeepsThePartialByte) {
  WriteFixture out("early_flush.bin");
  std::vector<int> expected;
  for (int i = 0; i < 8185; ++i) {
    WriteBit(out.file, (i * 7) % 5 == 0);
    expected.push_back((i * 7) % 5 == 0);
  }
  EXPECT_EQ(out.OnDisk(), 0u);
  WriteBits(out.file, 0x1A5, 9);
  EXPECT_EQ(out.OnDisk(), 1023u);
  for (int i = 0; i < 9; ++i) expected.push_back((0x1A5 >> i) & 1);
  PadToByte(out.file, 1);
  while (expected.size() % 8) expected.push_back(1);
  Finish(out.file);
  ReleaseBitFile(out.file);
  EXPECT_EQ(StreamBits(ReadFileBytes(out.path)), expected);
}

TEST(BitFile, PadToByteAtAByteBoundaryWritesNothing) {
  WriteFixture out("pad_boundary.bin");
  WriteBits(out.file, 0xAB, 8);
  PadToByte(out.file, 1);
  Finish(out.file);
  ReleaseBitFile(out.file);
  EXPECT_EQ(ReadFileBytes(out.path), Bytes{0xAB});
}

TEST(BitFile, ReadsBitsAndReportsTheEnd) {
  std::string empty = TempPath("empty.bin");
  WriteFileBytes(empty, {});
  BitFile in;
  OpenBitFile(in, empty.c_str(), false, kBitFileBufferSize);
  uint32_t value = 0;
  EXPECT_EQ(ReadBits(in, &value, 5), 0);
  ReleaseBitFile(in);

  std::string one = TempPath("one.bin");
  WriteFileBytes(one, {0xB6});
  OpenBitFile(in, one.c_str(), false, kBitFileBufferSize);
  value = 0;
  EXPECT_EQ(ReadBits(in, &value, 5), 5);
  EXPECT_EQ(value, 0x16u);
  unsigned bit;
  for (unsigned expected : {1u, 0u, 1u}) {
    ASSERT_EQ(ReadBit(in, &bit), 1);
    EXPECT_EQ(bit, expected);
  }
  EXPECT_EQ(ReadBit(in, &bit), 0);
  ReleaseBitFile(in);
}

TEST(BitFile, ReadBitsCrossesBufferRefills) {
  Bytes data = RandomBytes(5000, 7);
  BitFile in;
  OpenBitFileForMemoryRead(in, data.data(), data.size());
  std::vector<int> bits = StreamBits(data);
  size_t at = 0;
  for (unsigned count = 0; at + count <= bits.size(); count = (count + 7) % 33) {
    uint32_t value = 0;
    ASSERT_EQ(ReadBits(in, &value, count), count);
    for (unsigned i = 0; i < count; ++i) ASSERT_EQ((value >> i) & 1u, unsigned(bits[at + i])) << at;
    at += count;
  }
  ReleaseBitFile(in);
}

TEST(BitFile, RecognisesPaddingAfterABitPosition) {
  struct Case {
    uint8_t last;
    uint64_t from;
    bool padding;
  } cases[] = {
      {0xE0, 5, true},    // three ones above bit 5
      {0x60, 5, false},   // a zero among them
      {0xFF, 1, true},    // seven ones
      {0xFF, 0, false},   // eight bits are not padding
      {0x00, 8, true},    // nothing after the mark
  };
  for (const Case& c : cases) {
    Bytes data{c.last};
    BitFile in;
    OpenBitFileForMemoryRead(in, data.data(), data.size());
    uint32_t value = 0;
    ReadBits(in, &value, 8);
    unsigned bit;
    ASSERT_EQ(ReadBit(in, &bit), 0);
    EXPECT_EQ(RestIsPadding(in, c.from), c.padding) << int(c.last) << " from " << c.from;
    ReleaseBitFile(in);
  }
}

TEST(BitLength, CountsSignificantBits) {
  const std::pair<uint32_t, int> cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 3},
                                            {7, 3}, {8, 4}, {0x80000000u, 32}, {0xFFFFFFFFu, 32}};
  for (auto [value, length] : cases) EXPECT_EQ(BitLength(value), length) << value;
}

}  // namespace
