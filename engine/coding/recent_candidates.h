// The newest links of the busiest contexts, kept in a row. The chain walk
// reads a context's candidates from its ring one after another, so that
// their comparisons overlap, instead of waiting on one link at a time.
// A ring holds the link of every position of its context since it took the
// ring, newest last, and of positions before that which its walks followed
// through the table: the links of entries k, k - 1, ... lead from entry k's
// position along the chain, exactly as the link table would.
//
// Rings differ in length: each starts short and doubles while its owner's
// walks run past its oldest entry, taking its blocks from one pool shared
// by all (a buddy system over blocks of the shortest length).
#pragma once

#include <cstdint>

// Rings go to the contexts whose walks cost most: the candidates a ring
// gives its owner strengthen the hold, and the candidates other contexts
// had to follow link by link wear it down until the last of them takes it.
struct ContextRing {
  uint32_t context;
  uint32_t claimant;
  int32_t strength;
  int32_t block;  // in blocks of the shortest length; -1 for none
  int32_t order;  // the ring holds 2^order blocks
  int64_t pushed;  // entries ever pushed; entry k lives at k modulo the ring's length
  int64_t first;   // the owner's oldest entry
};

// An entry for a link too long for it, or for none: the walk reads the link
// from the table.
constexpr uint16_t kLinkInTable = 0;
constexpr int32_t kLongestRingLink = 0xFFFF;

struct RecentCandidates {
  ContextRing* rings = nullptr;
  int32_t ringCount = 0;
  uint16_t* entries = nullptr;  // the pool, of blockCount blocks
  int32_t blockCount = 0;
  int32_t longestOrder = 0;  // the longest ring has 2^longestOrder blocks
  // The buddy system's free lists, one per order, linked through the blocks
  // that start a free run; freeOrder is that run's order, or -1.
  int32_t* freeHead = nullptr;
  int32_t* nextFree = nullptr;
  int32_t* previousFree = nullptr;
  int8_t* freeOrder = nullptr;
  int32_t reclaimHand = 0;  // the ring where the last search for blocks stopped
  // The ring the newest position went into (-1 for none) and its entry.
  int32_t lastRing = -1;
  int64_t lastEntry = -1;
};

// Sizes the rings to use no more than `budgetBytes`, but at least one ring
// of the shortest length; false when an allocation fails.
bool AllocateRecentCandidates(RecentCandidates& recent, int64_t budgetBytes, int32_t searchLimit);
void ResetRecentCandidates(RecentCandidates& recent);
void ReleaseRecentCandidates(RecentCandidates& recent);

// Takes in the newest position of `context` and its link (0 when its chain
// breaks there).
void RecordCandidate(RecentCandidates& recent, uint32_t context, int32_t link);

// Counts a walk of `context`: `fromRing` candidates read from its ring and
// `fromLinks` followed link by link.
void ChargeWalk(RecentCandidates& recent, uint32_t context, int64_t fromRing, int64_t fromLinks);

constexpr int32_t kRingBlockEntries = 64;

inline int64_t RingLength(const ContextRing& ring) { return int64_t{kRingBlockEntries} << ring.order; }

// The oldest entry of ring `ring` that is still its owner's and not yet
// written over.
inline int64_t OldestLiveEntry(const RecentCandidates& recent, int32_t ring) {
  const ContextRing& owner = recent.rings[ring];
  const int64_t kept = owner.pushed - RingLength(owner);
  return owner.first > kept ? owner.first : kept;
}

// Whether a walk that has reached entry `entry` of ring `ring` from newer
// ones may keep the links it follows there: the entry is the one just before
// the owner's first, and its place in the ring is free. A ring taken over,
// or given up, since the walk began starts its owner at an entry newer than
// any the walk has seen, so the test also says that the ring is still the
// walk's context's.
inline bool CanFillBack(const RecentCandidates& recent, int32_t ring, int64_t entry) {
  const ContextRing& owner = recent.rings[ring];
  return entry + 1 == owner.first && entry >= 0 && entry >= owner.pushed - RingLength(owner);
}

// Keeps `link` as the entry before the owner's first, which it becomes;
// false when the ring has no room for the next one before it.
inline bool FillBack(RecentCandidates& recent, int32_t ring, int32_t link) {
  ContextRing& owner = recent.rings[ring];
  const int64_t entry = --owner.first;
  recent.entries[int64_t{owner.block} * kRingBlockEntries + (entry & (RingLength(owner) - 1))] =
      static_cast<uint16_t>(link <= kLongestRingLink ? link : kLinkInTable);
  return entry > 0 && entry - 1 >= owner.pushed - RingLength(owner);
}

inline const uint16_t* RingEntries(const RecentCandidates& recent, int32_t ring) {
  return recent.entries + static_cast<int64_t>(recent.rings[ring].block) * kRingBlockEntries;
}
