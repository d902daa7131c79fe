// The match tree reports real matches, longest last, within the window, and
// (searched deep enough) the longest match there is, as a plain search of
// every earlier position finds it.
#include <gtest/gtest.h>

#include <string>

#include "tests/test_support.h"
#include "engine/coding/match_tree.h"

using namespace testing_support;

namespace {

constexpr int32_t kNice = 64;
constexpr int32_t kDeep = 1 << 20;

int64_t CommonLength(const Bytes& data, int64_t position, int64_t distance, int64_t limit) {
  int64_t length = 0;
  while (length < limit && position + length < static_cast<int64_t>(data.size()) &&
         data[position + length] == data[position + length - distance]) {
    ++length;
  }
  return length;
}

void ExpectMatchesOf(const Bytes& data, int32_t maxDistance, const std::string& what) {
  MatchTree tree;
  StartMatchTree(tree, data.data(), static_cast<int64_t>(data.size()), maxDistance, kNice, kDeep);
  TreeMatch matches[kMostTreeMatches];
  for (int64_t position = 0; position < static_cast<int64_t>(data.size()); ++position) {
    const int count = FindTreeMatches(tree, position, matches);
    int64_t longest = 0;
    for (int64_t distance = 1; distance <= std::min<int64_t>(position, maxDistance); ++distance) {
      longest = std::max(longest, CommonLength(data, position, distance, kNice));
    }
    const int64_t expected = longest >= 3 ? longest : 0;
    ASSERT_EQ(count > 0 ? matches[count - 1].length : 0, expected) << what << " at " << position;
    for (int index = 0; index < count; ++index) {
      const TreeMatch& match = matches[index];
      ASSERT_GE(match.length, 3) << what;
      ASSERT_TRUE(match.distance >= 1 && match.distance <= maxDistance) << what;
      ASSERT_TRUE(index == 0 || match.length > matches[index - 1].length) << what;
      ASSERT_EQ(CommonLength(data, position, match.distance, match.length), match.length) << what;
    }
  }
}

TEST(MatchTree, FindsTheLongestMatchWithinTheWindow) {
  const std::pair<const char*, Bytes> corpus[] = {
      {"text", TextLike(4000, 71)},
      {"records", Structured(4000, 72)},
      {"runs", Runs(4000, 73)},
      {"random", RandomBytes(2000, 74)},
  };
  for (const auto& [name, data] : corpus) {
    for (int32_t window : {3999, 700, 40}) ExpectMatchesOf(data, window, std::string(name) + " " + std::to_string(window));
  }
}

TEST(MatchTree, ExtendsAMatchToTheEndOfTheData) {
  const Bytes zeros(5000, 0);
  MatchTree tree;
  StartMatchTree(tree, zeros.data(), 5000, 4999, kNice, kDeep);
  EXPECT_EQ(ExtendMatch(tree, 1, 1), 4999);
  EXPECT_EQ(ExtendMatch(tree, 4000, 3), 1000);
}

}  // namespace
