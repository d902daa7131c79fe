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

#include <cstdint>

#include "utility/bit_file.h"

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
void UpdateTree(AdaptiveHuffmanTree<Index, Weight>& tree, unsigned symbol);
template <typename Index, typename Weight>
void RebuildTree(AdaptiveHuffmanTree<Index, Weight>& tree);

// Reads bits from the root down to a leaf; false when the input runs out.
// The walk takes its bits from the stream's bit window, a word at a time.
template <typename Index, typename Weight>
inline bool DecodeSymbol(const AdaptiveHuffmanTree<Index, Weight>& tree, BitFile& file,
                         unsigned* symbol) {
  const Index* child = tree.child;
  unsigned node = static_cast<unsigned>(tree.nodeCount) - 2;
  for (;;) {
    if (!EnsureBits(file, 32) && file.windowBits == 0) return false;
    uint64_t bits = file.bitWindow;
    unsigned left = file.windowBits;
    while (left > 0) {
      node = static_cast<unsigned>(child[node + static_cast<unsigned>(bits & 1u)]);
      bits >>= 1;
      --left;
      if (node & 1u) {
        file.bitWindow = bits;
        file.windowBits = left;
        *symbol = (node - 1) / 2;
        return true;
      }
    }
    file.bitWindow = 0;
    file.windowBits = 0;
  }
}
