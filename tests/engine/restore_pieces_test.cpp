// The restored file reaches the disk in whole pieces, in order, straight
// from the window: another process reading it sees a growing prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "tests/test_support.h"
#include "tests/engine/packed_tokens.h"
#include "engine/decompress_run.h"
#include "engine/memory_pack.h"
#include "engine/output_file.h"

using namespace testing_support;

namespace {

Bytes ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Long copies fill several pieces at once, and a window that is not a whole
// number of pieces is rounded up to one, so that the wrap falls on a piece's
// end: after every step the file is a whole-piece prefix of what was restored.
TEST(RestorePieces, FileGrowsByWholePiecesThroughWrapsAndLongCopies) {
  const std::string path = TempPath("pieces.bin");
  std::remove(path.c_str());
  OutputFile output;
  ASSERT_TRUE(output.Open(path, OutputFile::NewName::kInPlace)) << output.error();
  LzBuffer lz;
  OpenTargetWindow(lz, 3000);
  AttachTarget(lz, &output);
  EXPECT_EQ(lz.windowSize, 3072);
  Bytes expected;
  uint32_t state = 7;
  auto literal = [&](uint8_t byte) {
    PutLiteral(lz, byte);
    expected.push_back(byte);
  };
  auto copy = [&](uint32_t distance, int length) {
    ASSERT_TRUE(CopyMatch(lz, distance, length));
    for (int i = 0; i < length; ++i) expected.push_back(expected[expected.size() - distance]);
  };
  for (int step = 0; step < 300; ++step) {
    state = state * 1103515245u + 12345u;
    if (state >> 30 == 0 || expected.size() < 16) {
      for (int i = 0; i < 5; ++i) literal(static_cast<uint8_t>(state >> (8 + i)));
    } else {
      const uint32_t reach = expected.size() < 3000 ? static_cast<uint32_t>(expected.size()) : 3000;
      copy(1 + (state >> 8) % reach, 1 + static_cast<int>((state >> 4) % (step % 7 == 0 ? 5000 : 40)));
    }
    const Bytes onDisk = ReadWhole(path);
    ASSERT_EQ(onDisk.size(), expected.size() / 1024 * 1024) << step;
    ASSERT_TRUE(std::equal(onDisk.begin(), onDisk.end(), expected.begin())) << step;
  }
  ReleaseTarget(lz);
  ASSERT_TRUE(output.Commit()) << output.error();
  EXPECT_TRUE(ReadWhole(path) == expected);
  std::remove(path.c_str());
}

// Matches copied a word at a time run over their end into the window's
// older bytes; what the largest window holds beyond the largest distance
// keeps those bytes from ever being read back. Distances right at the
// largest a window exponent allows, against a source that wraps the window.
TEST(RestorePieces, CopiesAtTheLargestDistanceOfEachWindow) {
  for (char size : std::string("TSC")) {
    const int exponent = WindowExponentFor(size);
    const size_t reach = size_t{1} << exponent;
    Bytes source = RandomBytes(reach, static_cast<uint32_t>(exponent));
    for (int round = 0; round < 5; ++round) {
      const size_t start = source.size();
      for (size_t i = 0; i < reach; ++i) source.push_back(source[start + i - (reach - 1)]);
      const Bytes noise = RandomBytes(37 + round, static_cast<uint32_t>(round));
      source.insert(source.end(), noise.begin(), noise.end());
    }
    const Bytes packed = PackBytes(source.data(), source.size(), Switches{kDefaultSearchExponent, exponent});
    const UnpackResult restored = UnpackBytes(packed.data(), packed.size());
    EXPECT_EQ(restored.end, DecodeEnd::kEndMark) << size;
    EXPECT_TRUE(restored.bytes == source) << size;
  }
}

// A stream written with a window exponent above 24 (no compressor writes
// one) can decode distances past the 16 MiB every restore keeps. The window
// is a piece longer than that, so the copies may run over, but a distance
// in that piece still ends the stream, in memory as on disk.
Bytes PackFarMatch(uint32_t distance, int exponent) {
  return PackTokens({{1, 'a'}, {1, 'b'}, {kRestoreWindowSize, 0, 2}, {4, 0, distance}}, exponent);
}

TEST(RestorePieces, DistancesBeyondSixteenMebibytesEndTheStream) {
  const int64_t before = kRestoreWindowSize + 2;
  struct Case {
    uint32_t distance;
    DecodeEnd end;
    int64_t size;
  };
  const Case cases[] = {
      {static_cast<uint32_t>(kRestoreWindowSize), DecodeEnd::kEndMark, before + 4},
      {static_cast<uint32_t>(kRestoreWindowSize) + 1, DecodeEnd::kCutShort, before},
      {static_cast<uint32_t>(kRestoreWindowSize) + 1024, DecodeEnd::kCutShort, before},
  };
  for (const Case& c : cases) {
    const Bytes packed = PackFarMatch(c.distance, 25);
    const UnpackResult restored = UnpackBytes(packed.data(), packed.size());
    EXPECT_EQ(restored.end, c.end) << c.distance;
    EXPECT_EQ(static_cast<int64_t>(restored.bytes.size()), c.size) << c.distance;
  }
  // The file target's window is the same length.
  LzBuffer lz;
  OutputFile output;
  ASSERT_TRUE(output.Open(TempPath("far.bin"))) << output.error();
  OpenTargetWindow(lz, RestoreWindowFor(25));
  AttachTarget(lz, &output);
  PutLiteral(lz, 'a');
  ASSERT_TRUE(CopyMatch(lz, 1, before));
  EXPECT_TRUE(CopyMatch(lz, static_cast<uint32_t>(kRestoreWindowSize), 1));
  EXPECT_FALSE(CopyMatch(lz, static_cast<uint32_t>(kRestoreWindowSize) + 1, 1));
  ReleaseTarget(lz);
}

}  // namespace
