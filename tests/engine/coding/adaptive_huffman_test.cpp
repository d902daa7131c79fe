#include "engine/coding/adaptive_huffman.h"

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

}  // namespace
