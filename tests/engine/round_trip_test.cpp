#include <gtest/gtest.h>

#include <algorithm>

#include "tests/test_support.h"
#include "tests/engine/packed_tokens.h"
#include "engine/compress_run.h"
#include "engine/decompress_run.h"
#include "engine/memory_pack.h"
#include "engine/run_parameters.h"

using namespace testing_support;

namespace {

// Copies repeat the last bytes, straddle the window's end, and refuse
// distances before the first byte or beyond the window.
TEST(Restore, CopiesRepeatTheLastBytes) {
  struct Case {
    std::string literals;
    int32_t window;
    uint32_t distance;
    int length;
    bool copied;
    std::string restored;
  } cases[] = {
      {"q", 8, 1, 10, true, std::string(11, 'q')}, {"xyz", 8, 3, 7, true, "xyzxyzxyzx"},
      {"abcdef", 4, 3, 5, true, "abcdefdefde"},    {"abcde", 4, 4, 6, true, "abcdebcdebc"},
      {"", 16, 1, 4, false, ""},                   {"ab", 16, 3, 4, false, "ab"},
      {"ab", 16, 17, 4, false, "ab"},
  };
  for (const Case& c : cases) {
    Bytes out;
    LzBuffer lz;
    ByteSink sink;
    sink.memory = &out;
    OpenSinkTarget(lz, sink, c.window);
    for (char ch : c.literals) PutLiteral(lz, static_cast<uint8_t>(ch));
    EXPECT_EQ(CopyMatch(lz, c.distance, c.length), c.copied) << c.literals << " " << c.distance;
    ReleaseTarget(lz);
    EXPECT_EQ(std::string(out.begin(), out.end()), c.restored) << c.literals << " " << c.distance;
  }
  // A stream whose first token is a match has nothing to copy from.
  const Bytes packed = PackTokens({{4, 'a'}, {1, 'z'}}, 5);
  UnpackResult restored = UnpackBytes(packed.data(), packed.size());
  EXPECT_TRUE(restored.bytes.empty());
  EXPECT_EQ(restored.end, DecodeEnd::kCutShort);
}

// Cut anywhere, a packed file restores a prefix of its source and says so;
// with garbage after the cut it still restores that prefix first.
TEST(Restore, CutOrDamagedStreamsRestoreAPrefix) {
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
    Bytes damaged(packed.begin(), packed.begin() + cut);
    const Bytes garbage = RandomBytes(200, static_cast<uint32_t>(cut));
    damaged.insert(damaged.end(), garbage.begin(), garbage.end());
    const Bytes after = UnpackBytes(damaged.data(), damaged.size(), 20000).bytes;
    ASSERT_LE(after.size(), 20000u);
    ASSERT_GE(after.size(), previous) << cut;
    ASSERT_TRUE(std::equal(restored.bytes.begin(), restored.bytes.end(), after.begin())) << cut;
  }
  EXPECT_FALSE(UnpackBytes(packed.data(), 0).hasHeader);
}

// A restore stops at its limit, even inside a match, and one that pauses
// where it is asked gives the same bytes as restoring at once.
TEST(Restore, StopsAtTheLimitAndPausesExactlyWhereAsked) {
  Bytes source(60000, 'a');
  const Bytes text = TextLike(40000, 3);
  source.insert(source.end(), text.begin(), text.end());
  Bytes packed = PackBytes(source.data(), source.size(), Switches{});
  UnpackResult limited = UnpackBytes(packed.data(), packed.size(), 5000);
  EXPECT_EQ(limited.bytes, Bytes(5000, 'a'));
  EXPECT_EQ(limited.end, DecodeEnd::kOverLimit);
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
