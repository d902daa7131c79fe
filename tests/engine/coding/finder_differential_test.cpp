// The fast match finder against the plain walk that defines the parse:
// token for token, on random and structured sources, under every switch.
#include <gtest/gtest.h>

#include <string>

#include "tests/test_support.h"
#include "tests/engine/coding/reference_finder.h"
#include "tests/engine/pinned_corpus.h"
#include "engine/compress_run.h"
#include "engine/coding/match_finder.h"
#include "engine/run_parameters.h"

using namespace testing_support;

namespace {

// Empty when both finders cut the source alike, else where they part.
// `ringBudget` sizes the fast finder's rings of recent candidates (-1: as
// the window allows).
std::string FirstDifference(const Bytes& source, const Switches& switches, int64_t ringBudget = -1) {
  const WindowChoice window = ChooseWindow(static_cast<int64_t>(source.size()), switches.windowExponent);
  const int32_t limit = int32_t{1} << switches.searchExponent;
  LzBuffer fast;
  OpenMemorySource(fast, source.data(), source.size(), window.size, limit, ringBudget);
  ReferenceFinder reference;
  StartReferenceFinder(reference, source.data(), source.size(), window.size, limit);
  std::string difference;
  for (int64_t at = 0, index = 0;; ++index) {
    Token got{0, 0, 0};
    Token want{0, 0, 0};
    const bool more = FindToken(fast, &got);
    const bool wantMore = ReferenceFindToken(reference, &want);
    if (more != wantMore || (more && (got.length != want.length || (got.length == 1 ? got.byte != want.byte
                                                                                    : got.distance != want.distance)))) {
      difference = "token " + std::to_string(index) + " at " + std::to_string(at) + ": length " +
                   std::to_string(got.length) + " distance " + std::to_string(got.distance) + ", want length " +
                   std::to_string(want.length) + " distance " + std::to_string(want.distance);
      break;
    }
    if (!more) break;
    at += want.length;
  }
  ReleaseSource(fast);
  return difference;
}

Bytes FewLetters(size_t size, uint32_t seed, int letters) {
  Bytes bytes = RandomBytes(size, seed);
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>('a' + byte % letters);
  return bytes;
}

// Long periodic stretches, where every candidate matches far and the walk is
// at its longest.
Bytes Periods(size_t size, uint32_t seed) {
  Bytes random = RandomBytes(size, seed);
  Bytes bytes;
  for (size_t i = 0; bytes.size() < size; ++i) {
    const size_t period = 1 + random[i % random.size()] % 9;
    const size_t length = 200 + random[(i * 7 + 3) % random.size()] * 40u;
    for (size_t k = 0; k < length; ++k) bytes.push_back(random[(i * 31 + k % period) % random.size()] & 3);
  }
  bytes.resize(size);
  return bytes;
}

TEST(FinderDifferential, EverySwitchAgreesWithThePlainWalk) {
  std::vector<std::pair<std::string, Bytes>> corpus = {
      {"random", RandomBytes(30000, 1)},     {"two letters", FewLetters(30000, 2, 2)},
      {"four letters", FewLetters(30000, 3, 4)}, {"text", TextLike(40000, 4)},
      {"records", Structured(40000, 5)},      {"runs", Runs(40000, 6)},
      {"periods", Periods(40000, 7)},
  };
  for (pinned_corpus::Source& source : pinned_corpus::SharedSources()) {
    corpus.emplace_back("pinned " + source.name, std::move(source.bytes));
  }
  // Sources this short get the same window from every size switch of 1 MiB
  // or more: the window is lowered to the source's bit length. Beside the
  // rings the window allows, one short ring (taken over and written round
  // all the time) and a few, which grow, fill back and give up their blocks
  // to one another in a pool of a few dozen.
  for (char search : std::string("TSGFQ")) {
    for (char size : std::string("1CST")) {
      const Switches switches{SearchExponentFor(search), WindowExponentFor(size)};
      for (int64_t budget : {int64_t{-1}, int64_t{1}, int64_t{6144}}) {
        for (const auto& [name, source] : corpus) {
          EXPECT_EQ(FirstDifference(source, switches, budget), "")
              << name << " /" << search << " /" << size << ", rings of " << budget << " bytes";
        }
      }
    }
  }
}

// Windows of 4 KiB to 1 MiB slide many times over, so that candidates and
// matches reach the window's end from every side, and links too long for a
// ring's entry lie inside rings, the one ring of the smallest budget among
// them.
TEST(FinderDifferential, SourcesManyWindowsLong) {
  Bytes mixed = TextLike(300000, 11);
  const Bytes periods = Periods(200000, 12);
  mixed.insert(mixed.end(), periods.begin(), periods.end());
  mixed.insert(mixed.end(), mixed.begin() + 1000, mixed.begin() + 250000);
  for (int64_t budget : {int64_t{-1}, int64_t{1}}) {
    for (char search : std::string("TGQ")) {
      for (char size : std::string("1CT")) {
        EXPECT_EQ(FirstDifference(mixed, Switches{SearchExponentFor(search), WindowExponentFor(size)}, budget), "")
            << "/" << search << " /" << size << ", rings of " << budget << " bytes";
      }
    }
    for (int exponent : {12, 20}) {
      EXPECT_EQ(FirstDifference(pinned_corpus::BeyondWindow(exponent), Switches{kDefaultSearchExponent, exponent},
                                budget),
                "")
          << "beyond a window of 2^" << exponent << ", rings of " << budget << " bytes";
    }
  }
}

}  // namespace
