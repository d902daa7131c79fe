#include "engine/bit_file.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#endif

#include "tests/test_support.h"
#include "engine/fail.h"
#include "engine/output_file.h"

using namespace testing_support;

namespace {

// Writes bits (or runs of single bits) to a file; the buffer reaches the
// disk only when full, and a call that would overflow it flushes first.
TEST(BitFile, WritesFlushWholeBuffersAndKeepThePartialByte) {
  const std::string path = TempPath("bits.bin");
  std::remove(path.c_str());
  OutputFile output;
  ASSERT_TRUE(output.Open(path, OutputFile::NewName::kInPlace)) << output.error();
  BitFile out;
  OpenBitFileForOutput(out, &output, kBitFileBufferSize);
  WriteBits(out, 20, 5);
  for (int i = 0; i < 3; ++i) WriteBit(out, 1);
  std::vector<int> expected = {0, 0, 1, 0, 1, 1, 1, 1};  // 0xF4
  for (int i = 8; i < 8192; ++i) {
    WriteBit(out, i % 3 == 0);
    expected.push_back(i % 3 == 0);
  }
  EXPECT_EQ(ReadFileBytes(path).size(), 0u);
  WriteBit(out, 1);
  expected.push_back(1);
  EXPECT_EQ(ReadFileBytes(path).size(), 1024u);
  for (int i = 0; i < 8184; ++i) {
    WriteBit(out, (i * 7) % 5 == 0);
    expected.push_back((i * 7) % 5 == 0);
  }
  WriteBits(out, 0x1A5, 9);  // would overflow the buffer: its whole bytes go first
  EXPECT_EQ(ReadFileBytes(path).size(), 2047u);
  for (int i = 0; i < 9; ++i) expected.push_back((0x1A5 >> i) & 1);
  PadToByte(out, 1);
  while (expected.size() % 8) expected.push_back(1);
  WriteBits(out, 0xAB, 8);
  PadToByte(out, 0);  // at a byte boundary: nothing
  for (int i = 0; i < 8; ++i) expected.push_back((0xAB >> i) & 1);
  Finish(out);
  ReleaseBitFile(out);
  ASSERT_TRUE(output.Commit()) << output.error();
  const Bytes bytes = ReadFileBytes(path);
  EXPECT_EQ(bytes.front(), 0xF4);
  EXPECT_EQ(StreamBits(bytes), expected);
}

// A buffer filled to its last bit by WriteBit goes out whole, at Finish or
// at the next WriteBits, and nothing past it is read (under the sanitizers
// a read past it fails).
TEST(BitFile, ABufferFilledToItsLastBitGoesOutWhole) {
  for (bool thenBits : {false, true}) {
    std::vector<uint8_t> packed;
    BitFile out;
    OpenBitFileForMemoryWrite(out, &packed);
    for (uint32_t i = 0; i < 8u * kBitFileBufferSize; ++i) WriteBit(out, i % 2);
    if (thenBits) WriteBits(out, 0xFF, 8);
    Finish(out);
    ReleaseBitFile(out);
    ASSERT_EQ(packed.size(), kBitFileBufferSize + (thenBits ? 1u : 0u));
    EXPECT_EQ(packed.front(), 0xAA);
    EXPECT_EQ(packed.back(), thenBits ? 0xFF : 0xAA);
  }
}

TEST(BitFile, ReadsBitsAcrossRefillsAndReportsTheEnd) {
  std::string empty = TempPath("empty.bin");
  WriteFileBytes(empty, {});
  BitFile in;
  OpenBitFile(in, empty.c_str(), kBitFileBufferSize);
  uint32_t value = 0;
  EXPECT_EQ(ReadBits(in, &value, 5), 0);
  ReleaseBitFile(in);

  std::string one = TempPath("one.bin");
  WriteFileBytes(one, {0xB6});
  OpenBitFile(in, one.c_str(), kBitFileBufferSize);
  EXPECT_EQ(ReadBits(in, &value, 5), 5);
  EXPECT_EQ(value, 0x16u);
  unsigned bit;
  for (unsigned expected : {1u, 0u, 1u}) {
    ASSERT_EQ(ReadBit(in, &bit), 1);
    EXPECT_EQ(bit, expected);
  }
  EXPECT_EQ(ReadBit(in, &bit), 0);
  ReleaseBitFile(in);

  Bytes data = RandomBytes(5000, 7);
  OpenBitFileForMemoryRead(in, data.data(), data.size());
  std::vector<int> bits = StreamBits(data);
  size_t at = 0;
  for (unsigned count = 0; at + count <= bits.size(); count = (count + 7) % 33) {
    value = 0;
    ASSERT_EQ(ReadBits(in, &value, count), count);
    for (unsigned i = 0; i < count; ++i) ASSERT_EQ((value >> i) & 1u, unsigned(bits[at + i])) << at;
    at += count;
  }
  ReleaseBitFile(in);
}

#if !defined(_WIN32)
// A failing read of the packed file fails the run with its own message; it
// was once taken for the end of the file, and the run for a success.
TEST(BitFile, AFailingReadIsAnError) {
  const std::string path = TempPath("write_only.pk");
  WriteFileBytes(path, RandomBytes(100, 2));
  BitFile in;
  OpenBitFileForMemoryRead(in, nullptr, 0);
  in.descriptor = open(path.c_str(), O_WRONLY);  // reading it fails
  uint32_t value = 0;
  int exitCode = 0;
  std::string message;
  try {
    ReadBits(in, &value, 8);
  } catch (const EngineFailure& failure) {
    exitCode = failure.exitCode;
    message = failure.what();
  }
  ReleaseBitFile(in);
  EXPECT_EQ(exitCode, 2);
  EXPECT_EQ(message, "Can`t read packed file. Exit code 2 ");
}
#endif

TEST(BitFile, RecognisesPaddingAfterABitPosition) {
  struct Case {
    uint8_t last;
    uint64_t from;
    bool padding;
  } cases[] = {
      {0xE0, 5, true}, {0x60, 5, false}, {0xFF, 1, true}, {0xFF, 0, false}, {0x00, 8, true},
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
