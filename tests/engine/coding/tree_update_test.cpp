// The tree update and rebuild against the plain procedures they replace:
// the last node of equal weight found by stepping upwards, and each rebuilt
// internal node inserted by moving the entries above it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/coding/adaptive_huffman.h"

namespace {

template <typename Index, typename Weight>
struct PlainTree {
  std::vector<Weight> weight;
  std::vector<Index> child;
  std::vector<Index> parent;
};

template <typename Index, typename Weight>
PlainTree<Index, Weight> CopyOf(const AdaptiveHuffmanTree<Index, Weight>& tree) {
  const size_t nodes = static_cast<size_t>(tree.nodeCount);
  return {std::vector<Weight>(tree.weight, tree.weight + nodes), std::vector<Index>(tree.child, tree.child + nodes),
          std::vector<Index>(tree.parent, tree.parent + 2 * static_cast<size_t>(tree.symbolCount))};
}

template <typename Index, typename Weight>
void PlainRebuild(PlainTree<Index, Weight>& tree, unsigned symbols) {
  const unsigned nodes = static_cast<unsigned>(tree.weight.size());
  unsigned leaves = 0;
  for (unsigned node = 0; node < nodes; ++node) {
    if (static_cast<unsigned>(tree.child[node]) & 1u) {
      tree.weight[leaves] = static_cast<Weight>((tree.weight[node] + 1) / 2);
      tree.child[leaves] = tree.child[node];
      ++leaves;
    }
  }
  unsigned lower = 0;
  for (unsigned node = symbols; node < nodes; ++node, lower += 2) {
    const Weight sum = static_cast<Weight>(tree.weight[lower] + tree.weight[lower + 1]);
    unsigned at = node - 1;
    while (sum < tree.weight[at]) --at;
    ++at;
    for (unsigned k = node; k > at; --k) {
      tree.weight[k] = tree.weight[k - 1];
      tree.child[k] = tree.child[k - 1];
    }
    tree.weight[at] = sum;
    tree.child[at] = static_cast<Index>(lower);
  }
  for (unsigned node = 0; node < nodes; ++node) tree.parent[static_cast<unsigned>(tree.child[node])] = static_cast<Index>(node);
}

template <typename Index, typename Weight>
void PlainUpdate(PlainTree<Index, Weight>& tree, unsigned symbols, unsigned limit, unsigned symbol) {
  const unsigned nodes = static_cast<unsigned>(tree.weight.size());
  if (static_cast<unsigned>(tree.weight[nodes - 2] + tree.weight[nodes - 1]) == limit) PlainRebuild(tree, symbols);
  Index at = tree.parent[2 * symbol + 1];
  while (at != AdaptiveHuffmanTree<Index, Weight>::kTop) {
    unsigned node = static_cast<unsigned>(at);
    unsigned last = node;
    while (last + 1 < nodes && tree.weight[last + 1] == tree.weight[node]) ++last;
    if (last != node) {
      std::swap(tree.child[node], tree.child[last]);
      std::swap(tree.parent[static_cast<unsigned>(tree.child[node])], tree.parent[static_cast<unsigned>(tree.child[last])]);
    }
    ++tree.weight[last];
    at = tree.parent[last & ~1u];
  }
}

// Symbols drawn from a skewed mix that shifts over time, so that weights
// form long blocks, move between them, and rebuilds reorder the leaves.
unsigned NextSymbol(uint32_t& state, unsigned symbols, int step) {
  state = state * 1103515245u + 12345u;
  const unsigned draw = state >> 8;
  const unsigned favourite = (static_cast<unsigned>(step) / 3000 * 7) % symbols;
  if (draw % 4 != 0) return (favourite + draw / 4 % 5) % symbols;
  return draw / 4 % symbols;
}

template <typename Index, typename Weight>
void ExpectSameAsPlain(unsigned symbols, unsigned limit, bool reverse, int updates) {
  AdaptiveHuffmanTree<Index, Weight> tree;
  BuildTree(tree, symbols, limit, reverse);
  PlainTree<Index, Weight> plain = CopyOf(tree);
  uint32_t state = symbols * 7919u + limit;
  for (int step = 0; step < updates; ++step) {
    const unsigned symbol = NextSymbol(state, symbols, step);
    UpdateTree(tree, symbol);
    PlainUpdate(plain, symbols, limit, symbol);
    const PlainTree<Index, Weight> now = CopyOf(tree);
    ASSERT_EQ(now.weight, plain.weight) << "N " << symbols << " limit " << limit << " step " << step;
    ASSERT_EQ(now.child, plain.child) << "N " << symbols << " limit " << limit << " step " << step;
    ASSERT_EQ(now.parent, plain.parent) << "N " << symbols << " limit " << limit << " step " << step;
  }
  ReleaseTree(tree);
}

// Both twins in the sizes the models use, tiny trees, and limits below the
// starting total (never rebuilt, so weights climb past the limit).
TEST(TreeUpdate, MatchesThePlainProcedures) {
  struct Case {
    bool wide;
    unsigned symbols, limit;
    bool reverse;
    int updates;
  } cases[] = {
      {true, 320, 4096, false, 20000}, {true, 320, 64, false, 3000}, {true, 2, 8, false, 200},
      {true, 3, 5, true, 200},         {true, 320, 10, false, 2000}, {false, 25, 512, true, 8000},
      {false, 21, 512, true, 8000},    {false, 2, 512, true, 2000},  {false, 128, 512, false, 8000},
      {false, 25, 20, true, 2000},
  };
  for (const Case& c : cases) {
    if (c.wide) ExpectSameAsPlain<int32_t, int32_t>(c.symbols, c.limit, c.reverse, c.updates);
    else ExpectSameAsPlain<uint8_t, uint16_t>(c.symbols, c.limit, c.reverse, c.updates);
  }
}

// A copy carries the whole state: both trees then go on identically.
TEST(TreeUpdate, CopyContinuesLikeTheOriginal) {
  AdaptiveHuffman original, copy;
  BuildTree(original, 320, 4096, false);
  BuildTree(copy, 320, 4096, false);
  uint32_t state = 99;
  for (int step = 0; step < 5000; ++step) UpdateTree(original, NextSymbol(state, 320, step));
  CopyTree(original, copy);
  for (int step = 5000; step < 12000; ++step) {
    const unsigned symbol = NextSymbol(state, 320, step);
    UpdateTree(original, symbol);
    UpdateTree(copy, symbol);
  }
  EXPECT_EQ(0, std::memcmp(original.child, copy.child, sizeof(int32_t) * 638));
  EXPECT_EQ(0, std::memcmp(original.weight, copy.weight, sizeof(int32_t) * 638));
  ReleaseTree(original);
  ReleaseTree(copy);
}

}  // namespace
