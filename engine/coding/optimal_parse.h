// The cheapest parse of a block under fixed prices: a shortest path over the
// block's positions, where a literal steps one byte and a match of any
// length up to each match found steps that far.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/coding/match_tree.h"
#include "engine/coding/token_prices.h"

// The matches of a block's positions: those of position i are
// matches[first[i]] .. matches[first[i + 1] - 1], lengths increasing.
struct BlockMatches {
  std::vector<TreeMatch> matches;
  std::vector<uint32_t> first;
};

// Per arrival position: the cheapest cost and the token that reaches it.
struct ParseScratch {
  std::vector<uint64_t> cost;
  std::vector<int32_t> length;
  std::vector<int32_t> distance;
};

// Fills `tokens` with the cheapest parse of the block's `count` bytes.
// Matches are cut to end within the block.
void ParseBlock(const BlockMatches& block, int32_t count, const TokenPrices& prices, const uint8_t* data,
                ParseScratch& scratch, std::vector<ParseToken>& tokens);
