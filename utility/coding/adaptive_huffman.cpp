#include "utility/coding/adaptive_huffman.h"

#include <cstdlib>
#include <cstring>

#include "utility/fail.h"

constexpr unsigned kLongestCode = 32;

template <typename T>
static T* AllocateTable(unsigned entries) {
  // A one-symbol tree has empty node tables; allocate one entry so that
  // an empty table is not taken for a failed allocation.
  void* table = std::malloc(sizeof(T) * (entries == 0 ? 1 : entries));
  if (table == nullptr) FailCoded(exitcode::kFailure, msg::kNoHuffmanMemory);
  return static_cast<T*>(table);
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
}

template <typename Index, typename Weight>
void ReleaseTree(AdaptiveHuffmanTree<Index, Weight>& tree) {
  std::free(tree.weight);
  std::free(tree.child);
  std::free(tree.parent);
  tree.weight = nullptr;
  tree.child = nullptr;
  tree.parent = nullptr;
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
void UpdateTree(AdaptiveHuffmanTree<Index, Weight>& tree, unsigned symbol) {
  constexpr Index kTop = AdaptiveHuffmanTree<Index, Weight>::kTop;
  const unsigned nodes = static_cast<unsigned>(tree.nodeCount);
  Weight* weight = tree.weight;
  if (static_cast<unsigned>(weight[nodes - 2] + weight[nodes - 1]) ==
      static_cast<unsigned>(tree.weightLimit)) {
    RebuildTree(tree);
  }
  Index at = tree.parent[2 * symbol + 1];
  while (at != kTop) {
    unsigned node = static_cast<unsigned>(at);
    unsigned highest = node;
    while (highest + 1 < nodes && weight[highest + 1] == weight[node]) ++highest;
    if (highest != node) {
      Index a = tree.child[node];
      Index b = tree.child[highest];
      tree.child[node] = b;
      tree.child[highest] = a;
      Index parentOfA = tree.parent[static_cast<unsigned>(a)];
      tree.parent[static_cast<unsigned>(a)] = tree.parent[static_cast<unsigned>(b)];
      tree.parent[static_cast<unsigned>(b)] = parentOfA;
      node = highest;
    }
    ++weight[node];
    at = tree.parent[node & ~1u];
  }
}

template <typename Index, typename Weight>
void RebuildTree(AdaptiveHuffmanTree<Index, Weight>& tree) {
  const unsigned nodes = static_cast<unsigned>(tree.nodeCount);
  const unsigned symbols = static_cast<unsigned>(tree.symbolCount);
  Weight* weight = tree.weight;
  Index* child = tree.child;
  unsigned leaves = 0;
  for (unsigned node = 0; node < nodes; ++node) {
    if (static_cast<unsigned>(child[node]) & 1u) {
      weight[leaves] = static_cast<Weight>((weight[node] + 1) / 2);
      child[leaves] = child[node];
      ++leaves;
    }
  }
  unsigned lower = 0;
  for (unsigned node = symbols; node < nodes; ++node, lower += 2) {
    Weight sum = static_cast<Weight>(weight[lower] + weight[lower + 1]);
    // The new node goes after every node of weight at most `sum`.
    unsigned at = node;
    while (sum < weight[at - 1]) --at;
    std::memmove(weight + at + 1, weight + at, sizeof(Weight) * (node - at));
    std::memmove(child + at + 1, child + at, sizeof(Index) * (node - at));
    weight[at] = sum;
    child[at] = static_cast<Index>(lower);
  }
  for (unsigned node = 0; node < nodes; ++node) {
    tree.parent[static_cast<unsigned>(child[node])] = static_cast<Index>(node);
  }
}

#define INSTANTIATE_TREE(Index, Weight)                                                            \
  template void BuildTree(AdaptiveHuffmanTree<Index, Weight>&, unsigned, unsigned, bool);          \
  template void ReleaseTree(AdaptiveHuffmanTree<Index, Weight>&);                                  \
  template HuffmanCode GetCode(const AdaptiveHuffmanTree<Index, Weight>&, unsigned);               \
  template void UpdateTree(AdaptiveHuffmanTree<Index, Weight>&, unsigned);                         \
  template void RebuildTree(AdaptiveHuffmanTree<Index, Weight>&);

INSTANTIATE_TREE(int32_t, int32_t)
INSTANTIATE_TREE(uint8_t, uint16_t)
