// The best packing restores byte for byte, keeps every distance within the
// header's window, and packs smaller than the greedy parse.
#include <gtest/gtest.h>

#include <string>

#include "tests/test_support.h"
#include "engine/best_pack.h"
#include "engine/bit_file.h"
#include "engine/coding/symbol_models.h"
#include "engine/memory_pack.h"
#include "engine/run_parameters.h"

using namespace testing_support;

namespace {

struct StreamCheck {
  bool clean = false;        // every token read, then the end mark
  int64_t restored = 0;      // bytes the tokens cover
  int64_t farthest = 0;      // the largest distance used
};

// Reads the tokens of a packed stream as the restorer does, measuring what
// they ask of it.
StreamCheck ReadTokens(const Bytes& packed) {
  StreamCheck check;
  BitFile file;
  OpenBitFileForMemoryRead(file, packed.data(), packed.size());
  uint32_t exponent = 0;
  ReadBits(file, &exponent, 5);
  HpModel hp;
  BuildHp(hp);
  HlModel hl[kDistanceModels];
  BuildDistanceModels(hl, static_cast<int>(exponent));
  uint32_t symbol;
  DecodeEnd end = DecodeEnd::kNone;
  while (DecodeHp(hp, file, &symbol, &end)) {
    if (symbol < static_cast<uint32_t>(kFirstMatchSymbol)) {
      ++check.restored;
      continue;
    }
    uint32_t value;
    if (!DecodeHl(hl[DistanceModelFor(symbol)], file, &value)) break;
    if (value + int64_t{1} > check.restored) break;  // reaches before the start
    check.farthest = std::max(check.farthest, value + int64_t{1});
    check.restored += int64_t{symbol} - kLengthBias;
  }
  check.clean = end == DecodeEnd::kEndMark;
  ReleaseDistanceModels(hl);
  ReleaseHp(hp);
  ReleaseBitFile(file);
  return check;
}

void ExpectRestores(const Bytes& source, const Switches& switches, const std::string& what) {
  const Bytes packed = PackBytesBest(source.data(), source.size(), switches);
  const Bytes greedy = PackBytes(source.data(), source.size(), switches);
  ASSERT_FALSE(packed.empty()) << what;
  // The same header as the greedy packing: the window the switches choose.
  EXPECT_EQ(packed[0] & 0x1F, greedy[0] & 0x1F) << what;
  // Where there is no match to choose, there is nothing to choose.
  if (source.size() < kMinMatch) {
    EXPECT_TRUE(packed == greedy) << what;
  }
  const UnpackResult restored = UnpackBytes(packed.data(), packed.size());
  EXPECT_EQ(restored.end, DecodeEnd::kEndMark) << what;
  EXPECT_TRUE(restored.bytes == source) << what;
  const StreamCheck check = ReadTokens(packed);
  EXPECT_TRUE(check.clean) << what;
  EXPECT_EQ(check.restored, static_cast<int64_t>(source.size())) << what;
  const WindowChoice window = ChooseWindow(static_cast<int64_t>(source.size()), switches.windowExponent);
  EXPECT_LE(check.farthest, window.size > 0 ? window.size - 1 : 0) << what;
}

Bytes Concatenated(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(BestPack, RestoresEveryKindOfSourceUnderEverySwitch) {
  const std::pair<const char*, Bytes> corpus[] = {
      {"empty", Bytes{}},
      {"one byte", BytesOf("x")},
      {"two bytes", BytesOf("ab")},
      {"shortest match", BytesOf("abcabc")},
      {"random", RandomBytes(10000, 31)},
      {"text", TextLike(20000, 32)},
      {"records", Structured(15000, 33)},
      {"runs", Runs(30000, 34)},
      // Long runs of short periods, long matches far back and an escape length.
      {"zeros", Bytes(70000, 0)},
      {"far repeat", Concatenated({RandomBytes(3000, 35), TextLike(5000, 36), RandomBytes(3000, 35)})},
  };
  for (char size : std::string("1T")) {  // /H packs these sources as /1 does
    for (char search : std::string("TQ")) {
      const Switches switches{SearchExponentFor(search), WindowExponentFor(size)};
      for (const auto& [name, source] : corpus) {
        ExpectRestores(source, switches, std::string(name) + " /" + search + " /" + size);
      }
    }
  }
}

// A 4 KiB window over sources many times its size: matches must stay within
// the window as it slides, across blocks and inside long matches.
TEST(BestPack, SourcesLargerThanTheWindow) {
  const Bytes text = TextLike(60000, 41);
  const Bytes mixed = Concatenated({text, Structured(40000, 42), Bytes(30000, 7), text});
  for (char size : std::string("TSC")) {
    ExpectRestores(mixed, Switches{kDefaultSearchExponent, WindowExponentFor(size)}, std::string("/") + size);
  }
}

// The point of the parse: smaller than the greedy one where there is choice,
// and no larger where there is none.
TEST(BestPack, SmallerThanTheGreedyParse) {
  const struct {
    const char* name;
    Bytes source;
    size_t mostPercent;
  } corpus[] = {
      {"text", TextLike(150000, 51), 94},
      {"records", Structured(150000, 52), 94},
      {"random", RandomBytes(100000, 61), 100},
  };
  for (const auto& [name, source, mostPercent] : corpus) {
    const Switches switches;
    const size_t best = PackBytesBest(source.data(), source.size(), switches).size();
    const size_t greedy = PackBytes(source.data(), source.size(), switches).size();
    EXPECT_LE(best * 100, greedy * mostPercent) << name << ": " << best << " against " << greedy;
  }
}

}  // namespace
