// Every useful match at a position, for a parse that weighs them all: a
// binary tree of the earlier positions of each 3-byte hash, ordered by the
// bytes that follow, over data held whole in memory. The walk from the root
// goes to ever older positions, so each match it reports, longer than all
// before it, is the nearest of that length it met.
#pragma once

#include <cstdint>
#include <vector>

struct TreeMatch {
  int32_t length;
  int32_t distance;
};

struct MatchTree {
  const uint8_t* data = nullptr;
  int64_t size = 0;
  int32_t cycle = 0;        // slots of the child table: one per position in the window
  int32_t maxDistance = 0;  // no match reaches further back
  int32_t niceLength = 0;   // a match this long ends the search
  int32_t depthLimit = 0;   // tree nodes visited per position at most
  int hashShift = 0;
  std::vector<int32_t> head;      // per hash: the newest position, -1 for none
  std::vector<int32_t> children;  // per slot: the smaller and the greater subtree
};

// The tree over `size` bytes, for distances up to `maxDistance` (at least 1).
// Memory: 8 bytes per window position plus the hash heads (at most 4 MiB).
void StartMatchTree(MatchTree& tree, const uint8_t* data, int64_t size, int32_t maxDistance, int32_t niceLength,
                    int32_t depthLimit);
// Enters `position` (the next one not yet entered) and writes its matches
// into `matches`, lengths increasing, each at most the nice length; returns
// their count. Positions must be entered in order, each once.
int FindTreeMatches(MatchTree& tree, int64_t position, TreeMatch* matches);
// Enters `position` without reporting matches.
void SkipTreePosition(MatchTree& tree, int64_t position);
// The length of the match of `distance` at `position`, unbounded.
int64_t ExtendMatch(const MatchTree& tree, int64_t position, int32_t distance);

// The most matches FindTreeMatches reports for one position.
constexpr int kMostTreeMatches = 64;
