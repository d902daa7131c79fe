#include "utility/coding/adaptive_huffman.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

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
