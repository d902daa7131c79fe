#include "engine/coding/adaptive_huffman.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/fail.h"

constexpr unsigned kLongestCode = 32;

template <typename T>
static T* AllocateTable(unsigned entries) {
  // A one-symbol tree has empty node tables; allocate one entry so that
  // an empty table is not taken for a failed allocation.
  void* table = std::malloc(sizeof(T) * (entries == 0 ? 1 : entries));
  if (table == nullptr) FailCoded(exitcode::kFailure, msg::kNoHuffmanMemory);
  return static_cast<T*>(table);
}

// For every weight w up to the limit, the highest node of weight at most w:
// the last node of w's block whenever some node weighs w. Weights above the
// limit, which only a limit below the starting total lets arise, have no
// entry.
template <typename Index, typename Weight>
static void RecordBlocks(AdaptiveHuffmanTree<Index, Weight>& tree) {
  const unsigned nodes = static_cast<unsigned>(tree.nodeCount);
  const unsigned entries = static_cast<unsigned>(tree.weightLimit) + 1;
  Index* const highest = tree.highest;
  // Weights below the node's own belong to the nodes under it.
  unsigned weight = 0;
  for (unsigned node = 0; node < nodes; ++node) {
    unsigned own = static_cast<unsigned>(tree.weight[node]);
    if (own > entries) own = entries;
    for (; weight < own; ++weight) highest[weight] = static_cast<Index>(node - 1);
  }
  std::fill(highest + weight, highest + entries, static_cast<Index>(nodes - 1));
}

template <typename Index, typename Weight>
void BuildTree(AdaptiveHuffmanTree<Index, Weight>& tree, unsigned symbolCount, unsigned weightLimit,
               bool reverse) {
  const unsigned nodes = symbolCount >= 1 ? 2 * symbolCount - 2 : 0;
  tree.symbolCount = static_cast<Index>(symbolCount);
  tree.nodeCount = static_cast<Index>(nodes);
  tree.weightLimit = static_cast<Weight>(weightLimit);
  tree.weight = AllocateTable<Weight>(nodes);
  tree.child = AllocateTable<Index>(nodes);
  tree.parent = AllocateTable<Index>(2 * symbolCount);
  tree.highest = AllocateTable<Index>(static_cast<unsigned>(tree.weightLimit) + 1);
  for (unsigned node = 0; node < symbolCount; ++node) {
    unsigned symbol = reverse ? symbolCount - 1 - node : node;
    if (node < nodes) {
      tree.weight[node] = 1;
      tree.child[node] = static_cast<Index>(2 * symbol + 1);
    }
    tree.parent[2 * symbol + 1] = static_cast<Index>(node);
  }
  // An internal node starts one heavier than its lower child alone.
  unsigned lower = 0;
  for (unsigned node = symbolCount; node < nodes; ++node, lower += 2) {
    tree.weight[node] = static_cast<Weight>(tree.weight[lower] + 1);
    tree.child[node] = static_cast<Index>(lower);
    tree.parent[lower] = static_cast<Index>(node);
  }
  tree.parent[lower] = AdaptiveHuffmanTree<Index, Weight>::kTop;
  RecordBlocks(tree);
}

template <typename Index, typename Weight>
void ReleaseTree(AdaptiveHuffmanTree<Index, Weight>& tree) {
  std::free(tree.weight);
  std::free(tree.child);
  std::free(tree.parent);
  std::free(tree.highest);
  tree.weight = nullptr;
  tree.child = nullptr;
  tree.parent = nullptr;
  tree.highest = nullptr;
}

template <typename Index, typename Weight>
void CopyTree(const AdaptiveHuffmanTree<Index, Weight>& from, AdaptiveHuffmanTree<Index, Weight>& to) {
  const size_t nodes = static_cast<size_t>(from.nodeCount);
  std::memcpy(to.weight, from.weight, sizeof(Weight) * nodes);
  std::memcpy(to.child, from.child, sizeof(Index) * nodes);
  std::memcpy(to.parent, from.parent, sizeof(Index) * 2 * static_cast<size_t>(from.symbolCount));
  std::memcpy(to.highest, from.highest, sizeof(Index) * (static_cast<size_t>(from.weightLimit) + 1));
}

template <typename Index, typename Weight>
HuffmanCode GetCode(const AdaptiveHuffmanTree<Index, Weight>& tree, unsigned symbol) {
  constexpr Index kTop = AdaptiveHuffmanTree<Index, Weight>::kTop;
  HuffmanCode code{0, 0};
  Index node = tree.parent[2 * symbol + 1];
  while (node != kTop) {
    // Checked inside the walk, so that no tree shape can make it endless.
    if (++code.length > kLongestCode) FailCoded(exitcode::kFailure, msg::kCodeTooLong);
    code.bits = code.bits * 2 + (static_cast<unsigned>(node) & 1u);
    node = tree.parent[static_cast<unsigned>(node) & ~1u];
  }
  return code;
}

template <typename Index, typename Weight>
Index UpdateAboveLimit(AdaptiveHuffmanTree<Index, Weight>& tree, size_t node) {
  const size_t nodes = static_cast<size_t>(tree.nodeCount);
  const Weight* weight = tree.weight;
  size_t last = node;
  while (last + 1 < nodes && weight[last + 1] == weight[node]) ++last;
  if (last != node) ExchangeNodes(tree, node, last);
  ++tree.weight[last];
  return tree.parent[last & ~size_t{1}];
}

// Leaves keep their order with halved weights; each new internal node goes
// after every node of weight at most its own. The sums of consecutive pairs
// never decrease, so this is a merge of the leaves with the internal nodes
// in the order they are made, a leaf first where weights tie.
template <typename Index, typename Weight>
void RebuildTree(AdaptiveHuffmanTree<Index, Weight>& tree) {
  const unsigned nodes = static_cast<unsigned>(tree.nodeCount);
  Weight* weight = tree.weight;
  Index* child = tree.child;
  // The leaves move to the last N places, from the top down, so that the
  // merge below never overwrites a leaf it has yet to take.
  unsigned to = nodes;
  for (unsigned node = nodes; node-- > 0;) {
    if (static_cast<unsigned>(child[node]) & 1u) {
      --to;
      weight[to] = static_cast<Weight>((weight[node] + 1) / 2);
      child[to] = child[node];
    }
  }
  unsigned leaf = to;
  unsigned pair = 0;  // lower child of the next internal node
  for (unsigned node = 0; node < nodes; ++node) {
    // An internal node exists once both its children are placed.
    bool internal = pair + 1 < node;
    Weight sum = 0;
    if (internal) {
      sum = static_cast<Weight>(weight[pair] + weight[pair + 1]);
      internal = leaf == nodes || sum < weight[leaf];
    }
    if (internal) {
      weight[node] = sum;
      child[node] = static_cast<Index>(pair);
      pair += 2;
    } else {
      weight[node] = weight[leaf];
      child[node] = child[leaf];
      ++leaf;
    }
  }
  for (unsigned node = 0; node < nodes; ++node) {
    tree.parent[static_cast<unsigned>(child[node])] = static_cast<Index>(node);
  }
  RecordBlocks(tree);
}

#define INSTANTIATE_TREE(Index, Weight)                                                            \
  template void BuildTree(AdaptiveHuffmanTree<Index, Weight>&, unsigned, unsigned, bool);          \
  template void ReleaseTree(AdaptiveHuffmanTree<Index, Weight>&);                                  \
  template void CopyTree(const AdaptiveHuffmanTree<Index, Weight>&, AdaptiveHuffmanTree<Index, Weight>&); \
  template HuffmanCode GetCode(const AdaptiveHuffmanTree<Index, Weight>&, unsigned);               \
  template void RebuildTree(AdaptiveHuffmanTree<Index, Weight>&);                                  \
  template Index UpdateAboveLimit(AdaptiveHuffmanTree<Index, Weight>&, size_t);

INSTANTIATE_TREE(int32_t, int32_t)
INSTANTIATE_TREE(uint8_t, uint16_t)
