// Adaptive Huffman trees with an implicit root. Encoder and decoder start from
// the same fixed tree and update it identically after every symbol; the tree
// is rebuilt from halved weights when its total weight reaches the limit.
//
// Nodes 0 .. T-1 (T = 2N - 2) are stored; the top pair T-2, T-1 are the
// root's children. A child value 2s + 1 is a leaf of symbol s, an even value c
// names the pair (c, c + 1). The parent table is indexed by child values.
//
// Weights never decrease with the node number, so the nodes of one weight
// form a block. `highest` holds, per weight w up to the limit, the highest
// node of weight at most w: the last node of w's block, which an update
// would otherwise search for.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/bit_file.h"

template <typename Index, typename Weight>
struct AdaptiveHuffmanTree {
  static constexpr Index kTop = static_cast<Index>(-1);  // parent of the top pair
  Index symbolCount = 0;
  Index nodeCount = 0;
  Weight weightLimit = 0;
  Weight* weight = nullptr;
  Index* child = nullptr;
  Index* parent = nullptr;
  Index* highest = nullptr;  // weightLimit + 1 entries, indexed by weight
};

// 32-bit counts: the literal/length tree. 8-bit counts: the distance trees.
using AdaptiveHuffman = AdaptiveHuffmanTree<int32_t, int32_t>;
using AdaptiveHuffman8 = AdaptiveHuffmanTree<uint8_t, uint16_t>;

struct HuffmanCode {
  uint32_t bits;    // stream order: bit 0 is sent first
  unsigned length;
};

// Builds the initial tree; reverse puts symbol N-1 at node 0.
template <typename Index, typename Weight>
void BuildTree(AdaptiveHuffmanTree<Index, Weight>& tree, unsigned symbolCount, unsigned weightLimit,
               bool reverse);
template <typename Index, typename Weight>
void ReleaseTree(AdaptiveHuffmanTree<Index, Weight>& tree);
// Copies the state of a tree into one built with the same parameters.
template <typename Index, typename Weight>
void CopyTree(const AdaptiveHuffmanTree<Index, Weight>& from, AdaptiveHuffmanTree<Index, Weight>& to);
template <typename Index, typename Weight>
HuffmanCode GetCode(const AdaptiveHuffmanTree<Index, Weight>& tree, unsigned symbol);
template <typename Index, typename Weight>
void RebuildTree(AdaptiveHuffmanTree<Index, Weight>& tree);

// Reads bits from the root down to a leaf; false when the input runs out.
// The walk takes its bits from the stream's bit window, a word at a time.
template <typename Index, typename Weight>
inline bool DecodeSymbol(const AdaptiveHuffmanTree<Index, Weight>& tree, BitFile& file,
                         unsigned* symbol) {
  const Index* child = tree.child;
  size_t node = static_cast<size_t>(tree.nodeCount) - 2;
  for (;;) {
    if (!EnsureBits(file, 32) && file.windowBits == 0) return false;
    uint64_t bits = file.bitWindow;
    const unsigned held = file.windowBits;
    unsigned used = 0;
    do {
      node = static_cast<size_t>(child[node + static_cast<size_t>(bits & 1u)]);
      bits >>= 1;
      ++used;
      if (node & 1u) {
        file.bitWindow = bits;
        file.windowBits = held - used;
        *symbol = static_cast<unsigned>(node >> 1);
        return true;
      }
    } while (used < held);
    file.bitWindow = 0;
    file.windowBits = 0;
  }
}

// Exchanges what hangs below two nodes, and the parents that point to them.
template <typename Index, typename Weight>
inline void ExchangeNodes(AdaptiveHuffmanTree<Index, Weight>& tree, size_t node, size_t other) {
  Index* const child = tree.child;
  Index* const parent = tree.parent;
  const Index a = child[node];
  const Index b = child[other];
  child[node] = b;
  child[other] = a;
  const Index parentOfA = parent[static_cast<size_t>(a)];
  parent[static_cast<size_t>(a)] = parent[static_cast<size_t>(b)];
  parent[static_cast<size_t>(b)] = parentOfA;
}

// One step of an update for a node heavier than the limit, which only a
// limit below the starting total lets arise: such weights have no table
// entry, and the block's last node is found by stepping upwards. Returns
// the parent of the node counted.
template <typename Index, typename Weight>
Index UpdateAboveLimit(AdaptiveHuffmanTree<Index, Weight>& tree, size_t node);

// Each node on the way up is first exchanged with the last node of its
// weight's block, then counted; it thereby moves from the top of its block
// to the bottom of the next, and the weights stay in order. Most nodes are
// the last of their block already, so the step to the parent starts without
// waiting for the table. `anyAboveLimit` says whether a weight on the way
// may lack a table entry.
template <bool anyAboveLimit, typename Index, typename Weight>
inline void CountPath(AdaptiveHuffmanTree<Index, Weight>& tree, Index at) {
  constexpr Index kTop = AdaptiveHuffmanTree<Index, Weight>::kTop;
  const unsigned limit = static_cast<unsigned>(tree.weightLimit);
  Weight* const weight = tree.weight;
  const Index* const parent = tree.parent;
  Index* const highest = tree.highest;
  while (at != kTop) {
    const size_t node = static_cast<size_t>(at);
    // Loaded before the table is consulted; reloaded only after an exchange.
    at = parent[node & ~size_t{1}];
    const unsigned count = static_cast<unsigned>(weight[node]);
    if (anyAboveLimit && count > limit) {
      at = UpdateAboveLimit(tree, node);
      continue;
    }
    const size_t last = static_cast<size_t>(highest[count]);
    // The node leaves the top of its block for the bottom of the next: only
    // the entry of its old weight changes.
    highest[count] = static_cast<Index>(last - 1);
    weight[last] = static_cast<Weight>(count + 1);
    if (last != node) {
      ExchangeNodes(tree, node, last);
      at = parent[last & ~size_t{1}];
    }
  }
}

// An update counts each node on the way once, from its weight before the
// update; the last node is the heaviest, so when it is within the limit so
// is every weight met.
template <typename Index, typename Weight>
inline void UpdateTree(AdaptiveHuffmanTree<Index, Weight>& tree, unsigned symbol) {
  const unsigned nodes = static_cast<unsigned>(tree.nodeCount);
  const unsigned limit = static_cast<unsigned>(tree.weightLimit);
  if (static_cast<unsigned>(tree.weight[nodes - 2] + tree.weight[nodes - 1]) == limit) RebuildTree(tree);
  const Index leaf = tree.parent[2 * symbol + 1];
  if (static_cast<unsigned>(tree.weight[nodes - 1]) <= limit) {
    CountPath<false>(tree, leaf);
  } else {
    CountPath<true>(tree, leaf);
  }
}
