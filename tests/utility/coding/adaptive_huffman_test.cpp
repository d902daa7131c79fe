#include "utility/coding/adaptive_huffman.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> CodeBits(HuffmanCode code) {
  std::vector<int> bits;
  for (unsigned i = 0; i < code.length; ++i) bits.push_back((code.bits >> i) & 1);
  return bits;
}

template <typename Tree>
std::vector<int> Weights(const Tree& tree) {
  return std::vector<int>(tree.weight, tree.weight + tree.nodeCount);
}

template <typename Tree>
std::vector<int> Children(const Tree& tree) {
  return std::vector<int>(tree.child, tree.child + tree.nodeCount);
}

TEST(AdaptiveHuffman, InitialForwardTreeOf320Symbols) {
  AdaptiveHuffman tree;
  BuildTree(tree, 320, 4096, false);
  int eight = 0, nine = 0;
  for (unsigned s = 0; s < 320; ++s) {
    unsigned length = GetCode(tree, s).length;
    eight += length == 8;
    nine += length == 9;
  }
  EXPECT_EQ(eight, 192);
  EXPECT_EQ(nine, 128);
  EXPECT_EQ(CodeBits(GetCode(tree, 0)), (std::vector<int>{1, 1, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(CodeBits(GetCode(tree, 319)), (std::vector<int>{1, 0, 1, 1, 1, 1, 1, 1}));
  ReleaseTree(tree);
}

TEST(AdaptiveHuffman, InitialReverseTreeOf21Symbols) {
  AdaptiveHuffman8 tree;
  BuildTree(tree, 21, 512, true);
  for (unsigned s = 0; s < 21; ++s) EXPECT_EQ(GetCode(tree, s).length, s <= 10 ? 4u : 5u) << s;
  EXPECT_EQ(CodeBits(GetCode(tree, 0)), (std::vector<int>{1, 0, 1, 0}));
  EXPECT_EQ(CodeBits(GetCode(tree, 10)), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(CodeBits(GetCode(tree, 11)), (std::vector<int>{1, 1, 1, 1, 1}));
  EXPECT_EQ(CodeBits(GetCode(tree, 20)), (std::vector<int>{1, 0, 1, 1, 0}));
  ReleaseTree(tree);
}

TEST(AdaptiveHuffman, FirstUpdateExchangesWithTheHighestLeafOfEqualWeight) {
  AdaptiveHuffman tree;
  BuildTree(tree, 320, 4096, false);
  UpdateTree(tree, 65);
  EXPECT_EQ(CodeBits(GetCode(tree, 65)), (std::vector<int>{1, 0, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(CodeBits(GetCode(tree, 319)), (std::vector<int>{1, 1, 1, 0, 0, 0, 0, 0, 1}));
  ReleaseTree(tree);
}

TEST(AdaptiveHuffman, FourSymbolTreeUpdatesAndRebuilds) {
  AdaptiveHuffman tree;
  BuildTree(tree, 4, 8, false);
  EXPECT_EQ(Weights(tree), (std::vector<int>{1, 1, 1, 1, 2, 2}));
  EXPECT_EQ(Children(tree), (std::vector<int>{1, 3, 5, 7, 0, 2}));
  for (unsigned s : {3u, 3u, 0u, 3u}) UpdateTree(tree, s);
  EXPECT_EQ(Weights(tree), (std::vector<int>{1, 1, 2, 2, 4, 4}));
  EXPECT_EQ(Children(tree), (std::vector<int>{5, 3, 1, 0, 7, 2}));
  RebuildTree(tree);
  EXPECT_EQ(Weights(tree), (std::vector<int>{1, 1, 1, 2, 2, 3}));
  EXPECT_EQ(Children(tree), (std::vector<int>{5, 3, 1, 7, 0, 2}));
  ReleaseTree(tree);

  BuildTree(tree, 4, 8, false);
  for (unsigned s : {3u, 3u, 0u, 3u, 1u}) UpdateTree(tree, s);
  EXPECT_EQ(Weights(tree), (std::vector<int>{1, 1, 2, 2, 2, 4}));
  EXPECT_EQ(Children(tree), (std::vector<int>{5, 1, 3, 7, 0, 2}));
  const std::vector<int> codes[] = {{0, 1}, {1, 0}, {0, 0}, {1, 1}};
  for (unsigned s = 0; s < 4; ++s) EXPECT_EQ(CodeBits(GetCode(tree, s)), codes[s]) << s;
  ReleaseTree(tree);
}

TEST(AdaptiveHuffman, TwoSymbolsFormTheTopPair) {
  AdaptiveHuffman8 tree;
  BuildTree(tree, 2, 512, true);
  for (unsigned s = 0; s < 2; ++s) {
    HuffmanCode code = GetCode(tree, s);
    EXPECT_EQ(code.length, 1u);
    EXPECT_EQ(code.bits, unsigned(tree.parent[2 * s + 1]));
  }
  ReleaseTree(tree);
}

TEST(AdaptiveHuffman, OneSymbolTreeFillsOnlyItsParentTable) {
  AdaptiveHuffman8 tree;
  BuildTree(tree, 1, 512, true);
  EXPECT_EQ(tree.nodeCount, 0);
  EXPECT_EQ(tree.parent[1], 0);
  EXPECT_EQ(tree.parent[0], AdaptiveHuffman8::kTop);
  ReleaseTree(tree);
}

// A symbol sent over and over shortens to one bit and stays there through rebuilds.
TEST(AdaptiveHuffman, RepeatedSymbolShortensToOneBit) {
  struct Case {
    bool wide;
    unsigned symbols, limit, symbol;
    bool reverse;
    std::vector<unsigned> firstLengths;
  } cases[] = {
      {true, 320, 4096, 7, false, {9, 8, 4, 5, 5, 4, 3, 3, 2, 2, 2, 2}},
      {false, 21, 512, 3, true, {4, 4, 2, 3, 2}},
  };
  for (const Case& c : cases) {
    AdaptiveHuffman wide;
    AdaptiveHuffman8 narrow;
    if (c.wide) BuildTree(wide, c.symbols, c.limit, c.reverse);
    else BuildTree(narrow, c.symbols, c.limit, c.reverse);
    for (unsigned i = 0; i < 20000; ++i) {
      HuffmanCode code = c.wide ? GetCode(wide, c.symbol) : GetCode(narrow, c.symbol);
      unsigned expected = i < c.firstLengths.size() ? c.firstLengths[i] : 1;
      ASSERT_EQ(code.length, expected) << "occurrence " << i + 1;
      if (c.wide) UpdateTree(wide, c.symbol);
      else UpdateTree(narrow, c.symbol);
    }
    if (c.wide) ReleaseTree(wide);
    else ReleaseTree(narrow);
  }
}

TEST(AdaptiveHuffman, FirstRebuildComesOnThe4081stUpdate) {
  AdaptiveHuffman tree;
  BuildTree(tree, 320, 4096, false);
  for (int i = 0; i < 4080; ++i) UpdateTree(tree, (i * 37) % 320);
  EXPECT_EQ(tree.weight[636] + tree.weight[637], 4096);
  UpdateTree(tree, 5);
  EXPECT_LT(tree.weight[636] + tree.weight[637], 2600);
  ReleaseTree(tree);
}

// Whatever the sequence, the tree keeps its invariants and every symbol has
// a code that decodes back to it.
TEST(AdaptiveHuffman, KeepsItsInvariantsUnderSkewedInput) {
  AdaptiveHuffman tree;
  BuildTree(tree, 320, 4096, false);
  uint32_t state = 12345;
  for (int i = 0; i < 30000; ++i) {
    state = state * 1103515245u + 12345u;
    unsigned symbol = (state >> 16) % 7 == 0 ? (state >> 8) % 320 : (state >> 20) % 12;
    UpdateTree(tree, symbol);
  }
  for (int n = 0; n + 1 < tree.nodeCount; ++n) ASSERT_LE(tree.weight[n], tree.weight[n + 1]) << n;
  for (int n = 0; n < tree.nodeCount; ++n) ASSERT_EQ(tree.parent[tree.child[n]], n);
  for (unsigned s = 0; s < 320; ++s) {
    HuffmanCode code = GetCode(tree, s);
    unsigned node = tree.nodeCount - 2;
    for (unsigned i = 0;; ++i) {
      ASSERT_LT(i, code.length);
      node = tree.child[node + ((code.bits >> i) & 1)];
      if (node & 1) {
        EXPECT_EQ((node - 1) / 2, s);
        EXPECT_EQ(i + 1, code.length);
        break;
      }
    }
  }
  ReleaseTree(tree);
}

}  // namespace
