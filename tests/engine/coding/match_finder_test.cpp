#include "engine/coding/match_finder.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "engine/compress_run.h"
#include "engine/run_parameters.h"

using namespace testing_support;

namespace {

// Tokens as text: "a" for a literal, "6@2" for a match of length 6 at distance 2.
std::vector<std::string> Tokens(const Bytes& source, int windowExponent = kDefaultWindowExponent,
                                int searchExponent = kDefaultSearchExponent) {
  WindowChoice window = ChooseWindow(static_cast<int64_t>(source.size()), windowExponent);
  LzBuffer lz;
  OpenMemorySource(lz, source.data(), source.size(), window.size, int32_t{1} << searchExponent);
  std::vector<std::string> tokens;
  Token token;
  while (FindToken(lz, &token)) {
    if (token.length == 1) {
      tokens.push_back(std::string(1, static_cast<char>(token.byte)));
    } else {
      tokens.push_back(std::to_string(token.length) + "@" + std::to_string(token.distance));
    }
  }
  EXPECT_FALSE(FindToken(lz, &token));  // stays used up
  ReleaseSource(lz);
  return tokens;
}

using List = std::vector<std::string>;

TEST(MatchFinder, TokensOfShortSources) {
  const std::pair<std::string, List> cases[] = {
      {"", {}},
      {"q", {"q"}},
      {"ab", {"a", "b"}},
      {"abcab", {"a", "b", "c", "a", "b"}},
      {"abcabc", {"a", "b", "c", "3@3"}},
      {"abababab", {"a", "b", "6@2"}},
      {"abcXabcYabcX", {"a", "b", "c", "X", "3@4", "Y", "4@8"}},
      {"abcdefabcdefabcdxyzabcdefabcd", {"a", "b", "c", "d", "e", "f", "10@6", "x", "y", "z", "10@13"}},
      {"aaaaaaaaaa", {"a", "9@1"}},
      // The nearest of equally long candidates wins, at the end and before it.
      {"abcdXabcdYabcd", {"a", "b", "c", "d", "X", "4@5", "Y", "4@5"}},
      {"abcdXabcdYabcdZ", {"a", "b", "c", "d", "X", "4@5", "Y", "4@5", "Z"}},
  };
  for (const auto& [source, tokens] : cases) EXPECT_EQ(Tokens(BytesOf(source)), tokens) << source;
}

TEST(MatchFinder, OneCandidateExtendsBeyondTheWindowAndTheSearchBound) {
  EXPECT_EQ(Tokens(Bytes(100000, 0)), (List{std::string(1, '\0'), "99999@1"}));
  EXPECT_EQ(Tokens(Bytes(10000, 0), WindowExponentFor('T')), (List{std::string(1, '\0'), "9999@1"}));
}

// Contexts equal modulo the first table's size share its entry: the second
// falls through to the next table, and both are still found again.
TEST(MatchFinder, CollidingContextsFallThroughToTheNextTable) {
  const uint32_t first = 'a' + 256u * 'b' + 65536u * 'c';
  const uint32_t second = first + static_cast<uint32_t>(kContextTableSizes[0]);
  Bytes source = BytesOf("abc");
  for (int i = 0; i < 3; ++i) source.push_back(static_cast<uint8_t>(second >> (8 * i)));
  Bytes twice = source;
  twice.insert(twice.end(), source.begin(), source.end());
  List tokens = Tokens(twice);
  ASSERT_EQ(tokens.size(), 7u);
  EXPECT_EQ(tokens.back(), "6@6");
}

}  // namespace
