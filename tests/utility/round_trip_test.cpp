#include <gtest/gtest.h>

#include <algorithm>

#include "tests/test_support.h"
#include "utility/bit_file.h"
#include "utility/compress_run.h"
#include "utility/platform_io.h"
#include "utility/decompress_run.h"
#include "utility/memory_pack.h"
#include "utility/run_parameters.h"

using namespace testing_support;

namespace {

void ExpectRoundTrip(const Bytes& source, Switches switches, const std::string& what) {
  Bytes packed = PackBytes(source.data(), source.size(), switches);
  UnpackResult restored = UnpackBytes(packed.data(), packed.size());
  ASSERT_TRUE(restored.hasHeader) << what;
  EXPECT_EQ(restored.end, DecodeEnd::kEndMark) << what;
  ASSERT_EQ(restored.bytes.size(), source.size()) << what;
  EXPECT_TRUE(restored.bytes == source) << what;
}

TEST(RoundTrip, EverySearchAndSizeSwitch) {
  const std::pair<const char*, Bytes> corpus[] = {
      {"text", TextLike(60000, 11)},      {"random", RandomBytes(9000, 12)},
      {"records", Structured(50000, 13)}, {"runs", Runs(70000, 14)},
      {"tiny", BytesOf("abcabcab")},      {"zeros", Bytes(20000, 0)},
  };
  for (char search : std::string("TSGFQ")) {
    for (char size : std::string("HLM21CST")) {
      Switches switches{SearchExponentFor(search), WindowExponentFor(size)};
      for (const auto& [name, source] : corpus) {
        ExpectRoundTrip(source, switches, std::string(name) + " /" + search + " /" + size);
      }
    }
  }
}

// Sources larger than the window make it wrap on both sides.
TEST(RoundTrip, SourcesLargerThanTheWindow) {
  Bytes mixed = TextLike(150000, 21);
  Bytes records = Structured(120000, 22);
  mixed.insert(mixed.end(), records.begin(), records.end());
  Bytes repeated = mixed;
  repeated.insert(repeated.end(), mixed.begin(), mixed.begin() + 40000);
  for (char size : std::string("TSC")) {
    Switches switches{kDefaultSearchExponent, WindowExponentFor(size)};
    ExpectRoundTrip(repeated, switches, std::string("mixed /") + size);
  }
}

// Over 16 MiB with the largest window: the restoring window wraps too, and
// matches straddle its end.
TEST(RoundTrip, SourceOver16MiBWithTheHugeWindow) {
  Bytes block = TextLike(3 << 20, 31);
  Bytes noise = RandomBytes(1 << 20, 32);
  Bytes source;
  for (int i = 0; i < 5; ++i) {
    source.insert(source.end(), block.begin(), block.end());
    source.insert(source.end(), noise.begin() + i * 1000, noise.begin() + i * 1000 + 300000);
  }
  ASSERT_GT(source.size(), size_t{1} << 24);
  ExpectRoundTrip(source, Switches{kDefaultSearchExponent, WindowExponentFor('H')}, "17 MiB /H");
}

TEST(Restore, CopiesRepeatTheLastBytes) {
  struct Case {
    std::string literals;
    uint32_t distance;
    int length;
    std::string restored;
  } cases[] = {
      {"q", 1, 10, std::string(11, 'q')},
      {"xyz", 3, 7, "xyzxyzxyzx"},
      {"ab", 2, 5, "abababa"},
      {"ab", 1, 0, "ab"},
  };
  for (const Case& c : cases) {
    Bytes out;
    LzBuffer lz;
    OpenMemoryTarget(lz, &out, 8);
    for (char ch : c.literals) PutLiteral(lz, static_cast<uint8_t>(ch));
    ASSERT_TRUE(CopyMatch(lz, c.distance, c.length));
    ReleaseTarget(lz);
    EXPECT_EQ(std::string(out.begin(), out.end()), c.restored);
  }
}

TEST(Restore, CopyStraddlesTheWindowEnd) {
  Bytes out;
  LzBuffer lz;
  OpenMemoryTarget(lz, &out, 4);
  for (char ch : std::string("abcdef")) PutLiteral(lz, static_cast<uint8_t>(ch));
  ASSERT_TRUE(CopyMatch(lz, 3, 5));
  ReleaseTarget(lz);
  EXPECT_EQ(std::string(out.begin(), out.end()), "abcdefdefde");
}

TEST(Restore, RefusesDistancesBeforeTheFirstByte) {
  Bytes out;
  LzBuffer lz;
  OpenMemoryTarget(lz, &out, 16);
  EXPECT_FALSE(CopyMatch(lz, 1, 4));
  PutLiteral(lz, 'a');
  PutLiteral(lz, 'b');
  EXPECT_FALSE(CopyMatch(lz, 3, 4));
  EXPECT_FALSE(CopyMatch(lz, 17, 4));
  EXPECT_TRUE(CopyMatch(lz, 2, 2));
  ReleaseTarget(lz);
  EXPECT_EQ(std::string(out.begin(), out.end()), "abab");
}

// Another process reading the restored file sees it grow in whole buffers.
TEST(Restore, TargetReachesTheDiskInWholeBuffers) {
  const std::string path = TempPath("growing.bin");
  FILE* stream = std::fopen(path.c_str(), "w+b");
  ASSERT_NE(stream, nullptr);
  std::setvbuf(stream, nullptr, _IONBF, 0);
  LzBuffer lz;
  OpenTarget(lz, stream, kRestoreWindowSize);
  int64_t size = -1;
  for (int i = 0; i < 2500; ++i) PutLiteral(lz, static_cast<uint8_t>(i));
  ASSERT_TRUE(QueryFileSize(path.c_str(), &size));
  EXPECT_EQ(size, 2048);
  ASSERT_TRUE(CopyMatch(lz, 1000, 700));
  ASSERT_TRUE(QueryFileSize(path.c_str(), &size));
  EXPECT_EQ(size, 3072);
  ReleaseTarget(lz);
  ASSERT_TRUE(QueryFileSize(path.c_str(), &size));
  EXPECT_EQ(size, 3200);
}

// A stream whose first token is a match has nothing to copy from: the run
// stops there, as at a damaged token, and says it did not reach its end mark.
TEST(Restore, MatchBeforeAnyByteEndsTheRun) {
  Bytes packed;
  BitFile file;
  OpenBitFileForMemoryWrite(file, &packed);
  WriteBits(file, 4, 5);
  HpModel hp;
  BuildHp(hp);
  HlModel hl;
  BuildHl(hl, 5);
  EncodeHp(hp, 256, file);
  EncodeHl(hl, 0, file);
  EncodeHp(hp, 'z', file);
  EncodeEndHp(hp, file);
  Finish(file);
  ReleaseBitFile(file);
  ReleaseHl(hl);
  ReleaseHp(hp);
  UnpackResult restored = UnpackBytes(packed.data(), packed.size());
  EXPECT_TRUE(restored.bytes.empty());
  EXPECT_EQ(restored.end, DecodeEnd::kCutShort);
}

// Cut anywhere, a packed file restores a prefix of its source and says so.
TEST(Restore, CutOffStreamsRestoreAPrefix) {
  Bytes source = TextLike(3000, 41);  // no match of 66 bytes or more, so no escape
  Bytes packed = PackBytes(source.data(), source.size(), Switches{});
  size_t previous = 0;
  for (size_t cut = 1; cut < packed.size(); ++cut) {
    UnpackResult restored = UnpackBytes(packed.data(), cut);
    ASSERT_EQ(restored.end, DecodeEnd::kCutShort) << cut;
    ASSERT_LE(restored.bytes.size(), source.size());
    ASSERT_TRUE(std::equal(restored.bytes.begin(), restored.bytes.end(), source.begin())) << cut;
    ASSERT_GE(restored.bytes.size(), previous);
    previous = restored.bytes.size();
  }
  EXPECT_FALSE(UnpackBytes(packed.data(), 0).hasHeader);
}

// Arbitrary bytes decode into some tokens and stop, whatever their header.
TEST(Restore, DamagedStreamsStayInsideTheWindow) {
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    Bytes garbage = RandomBytes(64 + seed * 3, seed);
    garbage[0] = static_cast<uint8_t>((garbage[0] & 0xE0) | (seed % 32));
    UnpackResult restored = UnpackBytes(garbage.data(), garbage.size());
    EXPECT_TRUE(restored.hasHeader);
  }
}

}  // namespace

namespace {

// In-process restoring stops at its limit rather than growing without bound.
TEST(Restore, StopsAtTheRestoreLimit) {
  Bytes source(100000, 'a');
  Bytes packed = PackBytes(source.data(), source.size(), Switches{});
  UnpackResult limited = UnpackBytes(packed.data(), packed.size(), 5000);
  EXPECT_EQ(limited.bytes, Bytes(5000, 'a'));  // the one long match is cut at the limit
  EXPECT_EQ(limited.end, DecodeEnd::kOverLimit);
  UnpackResult whole = UnpackBytes(packed.data(), packed.size(), 100000);
  EXPECT_EQ(whole.bytes, source);
  EXPECT_EQ(whole.end, DecodeEnd::kEndMark);
}

// A reader restores as far as it asks, even into the middle of a match, and
// going on gives the same bytes as restoring at once.
TEST(Restore, PausesExactlyWhereAsked) {
  Bytes source(60000, 'a');
  const Bytes text = TextLike(40000, 3);
  source.insert(source.end(), text.begin(), text.end());
  Bytes packed = PackBytes(source.data(), source.size(), Switches{});
  MemoryUnpack unpack;
  StartUnpack(unpack, packed.data(), packed.size());
  for (int64_t wanted : {1, 2, 5000, 5001, 60000, 77777}) {
    ContinueUnpack(unpack, wanted);
    ASSERT_EQ(unpack.result.end, DecodeEnd::kPaused) << wanted;
    ASSERT_EQ(static_cast<int64_t>(unpack.result.bytes.size()), wanted);
    ASSERT_TRUE(std::equal(unpack.result.bytes.begin(), unpack.result.bytes.end(), source.begin())) << wanted;
  }
  SetUnpackLimit(unpack, 90000);
  ContinueUnpack(unpack, INT64_MAX);
  EXPECT_EQ(unpack.result.end, DecodeEnd::kOverLimit);
  EXPECT_EQ(unpack.result.bytes.size(), 90000u);
  SetUnpackLimit(unpack, INT32_MAX);
  ContinueUnpack(unpack, INT64_MAX);
  EXPECT_EQ(unpack.result.end, DecodeEnd::kEndMark);
  EXPECT_EQ(unpack.result.bytes, source);
  ReleaseUnpack(unpack);
}

}  // namespace
