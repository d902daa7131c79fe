#include "engine/coding/recent_candidates.h"

#include <cstdint>
#include <cstdlib>

namespace {

// A ring may grow to many times the search limit: walks that find longer
// matches go on past the limit. Beyond the longest, walks that deep are too
// few to pay for the entries.
constexpr int64_t kLongestRing = 65536;
constexpr int64_t kRingReachOfLimit = 16;
// One ring for about as many entries as the search limit, within bounds:
// more rings would leave too little of the pool to grow, fewer would leave
// busy contexts without one.
constexpr int64_t kFewestEntriesPerRing = 128;
constexpr int64_t kMostEntriesPerRing = 512;
// The owner's lead is capped, so that a context whose walks have become
// cheap gives way to a costlier one in time.
constexpr int64_t kStrongestHold = 1 << 16;
constexpr uint32_t kContextNone = 0xFFFFFFFFu;  // above every three-byte context
// Each context may hold one of two rings, so that two busy contexts that
// meet on one ring can still both have one.
constexpr uint32_t kHashFactors[2] = {0x9E3779B1u, 0x85EBCA77u};
constexpr int32_t kNoBlock = -1;
constexpr int kReclaimSteps = 8;
constexpr int64_t kBlockBytes = kRingBlockEntries * static_cast<int64_t>(sizeof(uint16_t));
// A block's share of the free lists' bookkeeping.
constexpr int64_t kBlockListBytes = 2 * sizeof(int32_t) + sizeof(int8_t);

struct RingChoice {
  int32_t ring[2];
};

RingChoice RingsOf(const RecentCandidates& recent, uint32_t context) {
  RingChoice choice;
  for (int i = 0; i < 2; ++i) {
    const uint64_t hash = static_cast<uint32_t>(context * kHashFactors[i]);
    choice.ring[i] = static_cast<int32_t>((hash * static_cast<uint64_t>(recent.ringCount)) >> 32);
  }
  return choice;
}

// The ring `context` owns, or -1.
int32_t OwnedRing(const RecentCandidates& recent, const RingChoice& choice, uint32_t context) {
  for (int32_t ring : choice.ring) {
    if (recent.rings[ring].context == context) return ring;
  }
  return -1;
}

// The ring `context` has worn down, or -1.
int32_t ClaimedRing(const RecentCandidates& recent, const RingChoice& choice, uint32_t context) {
  for (int32_t ring : choice.ring) {
    const ContextRing& owner = recent.rings[ring];
    if (owner.strength < 0 && owner.claimant == context) return ring;
  }
  return -1;
}

// Moves the owner's hold by `change`, within the cap either way.
void Strengthen(ContextRing& owner, int64_t change) {
  int64_t strength = owner.strength + change;
  if (strength > kStrongestHold) strength = kStrongestHold;
  if (strength < -kStrongestHold) strength = -kStrongestHold;
  owner.strength = static_cast<int32_t>(strength);
}

void PushFree(RecentCandidates& recent, int32_t block, int32_t order) {
  const int32_t head = recent.freeHead[order];
  recent.freeOrder[block] = static_cast<int8_t>(order);
  recent.previousFree[block] = kNoBlock;
  recent.nextFree[block] = head;
  if (head != kNoBlock) recent.previousFree[head] = block;
  recent.freeHead[order] = block;
}

void UnlinkFree(RecentCandidates& recent, int32_t block) {
  const int32_t previous = recent.previousFree[block];
  const int32_t next = recent.nextFree[block];
  if (previous != kNoBlock) {
    recent.nextFree[previous] = next;
  } else {
    recent.freeHead[recent.freeOrder[block]] = next;
  }
  if (next != kNoBlock) recent.previousFree[next] = previous;
  recent.freeOrder[block] = -1;
}

// A free run of 2^order blocks, split from the shortest longer one when
// none of that order is free; kNoBlock when the pool has none.
int32_t TakeBlocks(RecentCandidates& recent, int32_t order) {
  for (int32_t from = order; from <= recent.longestOrder; ++from) {
    const int32_t block = recent.freeHead[from];
    if (block == kNoBlock) continue;
    UnlinkFree(recent, block);
    for (int32_t split = from; split > order;) {
      --split;
      PushFree(recent, block + (int32_t{1} << split), split);
    }
    return block;
  }
  return kNoBlock;
}

// Returns a run, joined with its buddy for as long as that is free whole.
void GiveBack(RecentCandidates& recent, int32_t block, int32_t order) {
  while (order < recent.longestOrder) {
    const int32_t buddy = block ^ (int32_t{1} << order);
    if (buddy >= recent.blockCount || recent.freeOrder[buddy] != order) break;
    UnlinkFree(recent, buddy);
    if (buddy < block) block = buddy;
    ++order;
  }
  PushFree(recent, block, order);
}

// Frees the blocks of rings held more weakly than `owner`, from where the
// last search stopped, until a run of 2^order blocks is free or the
// search has looked at enough rings. Holds it passes are halved, so that
// rings idle since their owners' last walks give way in time.
int32_t ReclaimBlocks(RecentCandidates& recent, const ContextRing& owner, int32_t order) {
  for (int step = 0; step < kReclaimSteps; ++step) {
    recent.reclaimHand = recent.reclaimHand + 1 == recent.ringCount ? 0 : recent.reclaimHand + 1;
    ContextRing& ring = recent.rings[recent.reclaimHand];
    if (&ring == &owner || ring.block == kNoBlock) continue;
    if (ring.strength >= owner.strength) {
      ring.strength /= 2;
      continue;
    }
    // Nothing of the ring stays live, for a walk may be about to start in it.
    GiveBack(recent, ring.block, ring.order);
    ring.block = kNoBlock;
    ring.context = kContextNone;
    ring.strength = -1;
    ring.first = ring.pushed;
    const int32_t block = TakeBlocks(recent, order);
    if (block != kNoBlock) return block;
  }
  return kNoBlock;
}

// Doubles an owner's ring when the pool allows, keeping its live entries
// at their numbers.
void Grow(RecentCandidates& recent, ContextRing& owner) {
  if (owner.order >= recent.longestOrder) return;
  int32_t block = TakeBlocks(recent, owner.order + 1);
  if (block == kNoBlock) block = ReclaimBlocks(recent, owner, owner.order + 1);
  if (block == kNoBlock) return;
  const uint16_t* from = recent.entries + int64_t{owner.block} * kRingBlockEntries;
  uint16_t* to = recent.entries + int64_t{block} * kRingBlockEntries;
  const int64_t oldMask = RingLength(owner) - 1;
  const int64_t newMask = 2 * RingLength(owner) - 1;
  const int64_t kept = owner.pushed - RingLength(owner);
  // Entries already written over stay lost.
  if (owner.first < kept) owner.first = kept;
  for (int64_t entry = owner.first; entry < owner.pushed; ++entry) to[entry & newMask] = from[entry & oldMask];
  GiveBack(recent, owner.block, owner.order);
  owner.block = block;
  ++owner.order;
}

int32_t Log2(int64_t value) {
  int32_t log = 0;
  while ((int64_t{2} << log) <= value) ++log;
  return log;
}

}  // namespace

bool AllocateRecentCandidates(RecentCandidates& recent, int64_t budgetBytes, int32_t searchLimit) {
  int64_t entriesPerRing = searchLimit;
  if (entriesPerRing < kFewestEntriesPerRing) entriesPerRing = kFewestEntriesPerRing;
  if (entriesPerRing > kMostEntriesPerRing) entriesPerRing = kMostEntriesPerRing;
  int64_t rings = budgetBytes / (entriesPerRing * static_cast<int64_t>(sizeof(uint16_t)));
  if (rings < 1) rings = 1;
  const int64_t headerBytes = rings * static_cast<int64_t>(sizeof(ContextRing));
  int64_t blocks = (budgetBytes - headerBytes) / (kBlockBytes + kBlockListBytes);
  if (blocks < 1) blocks = 1;
  if (rings > INT32_MAX || blocks > INT32_MAX / 2 ||
      static_cast<uint64_t>(blocks * (kBlockBytes + kBlockListBytes)) > SIZE_MAX) {
    return false;
  }
  int64_t longest = static_cast<int64_t>(searchLimit) * kRingReachOfLimit;
  if (longest > kLongestRing) longest = kLongestRing;
  int32_t longestOrder = Log2(longest / kRingBlockEntries);
  const int32_t poolOrder = Log2(blocks);
  if (longestOrder > poolOrder) longestOrder = poolOrder;
  recent.ringCount = static_cast<int32_t>(rings);
  recent.blockCount = static_cast<int32_t>(blocks);
  recent.longestOrder = longestOrder;
  const size_t count = static_cast<size_t>(blocks);
  recent.rings = static_cast<ContextRing*>(std::malloc(static_cast<size_t>(rings) * sizeof(ContextRing)));
  recent.entries = static_cast<uint16_t*>(std::malloc(count * static_cast<size_t>(kBlockBytes)));
  recent.freeHead = static_cast<int32_t*>(std::malloc((static_cast<size_t>(longestOrder) + 1) * sizeof(int32_t)));
  recent.nextFree = static_cast<int32_t*>(std::malloc(count * sizeof(int32_t)));
  recent.previousFree = static_cast<int32_t*>(std::malloc(count * sizeof(int32_t)));
  recent.freeOrder = static_cast<int8_t*>(std::malloc(count * sizeof(int8_t)));
  return recent.rings != nullptr && recent.entries != nullptr && recent.freeHead != nullptr &&
         recent.nextFree != nullptr && recent.previousFree != nullptr && recent.freeOrder != nullptr;
}

void ResetRecentCandidates(RecentCandidates& recent) {
  for (int32_t r = 0; r < recent.ringCount; ++r) {
    recent.rings[r] = ContextRing{kContextNone, kContextNone, 0, kNoBlock, 0, 0, 0};
  }
  for (int32_t order = 0; order <= recent.longestOrder; ++order) recent.freeHead[order] = kNoBlock;
  for (int32_t block = 0; block < recent.blockCount; ++block) recent.freeOrder[block] = -1;
  // The pool as the longest aligned runs that fit, each free.
  for (int32_t block = 0; block < recent.blockCount;) {
    int32_t order = recent.longestOrder;
    while ((block & ((int32_t{1} << order) - 1)) != 0 || block + (int32_t{1} << order) > recent.blockCount) --order;
    PushFree(recent, block, order);
    block += int32_t{1} << order;
  }
  recent.reclaimHand = 0;
  recent.lastRing = -1;
  recent.lastEntry = -1;
}

void ReleaseRecentCandidates(RecentCandidates& recent) {
  std::free(recent.rings);
  std::free(recent.entries);
  std::free(recent.freeHead);
  std::free(recent.nextFree);
  std::free(recent.previousFree);
  std::free(recent.freeOrder);
  recent = RecentCandidates{};
}

void RecordCandidate(RecentCandidates& recent, uint32_t context, int32_t link) {
  const RingChoice choice = RingsOf(recent, context);
  int32_t ring = OwnedRing(recent, choice, context);
  if (ring < 0) {
    ring = ClaimedRing(recent, choice, context);
    if (ring < 0) {
      recent.lastRing = -1;
      return;
    }
    // A new owner starts empty, on the shortest ring: its entries are its
    // chain from here on.
    ContextRing& taken = recent.rings[ring];
    if (taken.block != kNoBlock) GiveBack(recent, taken.block, taken.order);
    taken.first = taken.pushed;
    taken.block = TakeBlocks(recent, 0);
    taken.order = 0;
    if (taken.block == kNoBlock) {
      taken.context = kContextNone;
      recent.lastRing = -1;
      return;
    }
    taken.context = context;
    taken.strength = 0;
  }
  ContextRing& owner = recent.rings[ring];
  recent.entries[int64_t{owner.block} * kRingBlockEntries + (owner.pushed & (RingLength(owner) - 1))] =
      static_cast<uint16_t>(link <= kLongestRingLink ? link : kLinkInTable);
  recent.lastRing = ring;
  recent.lastEntry = owner.pushed++;
}

void ChargeWalk(RecentCandidates& recent, uint32_t context, int64_t fromRing, int64_t fromLinks) {
  const RingChoice choice = RingsOf(recent, context);
  const int32_t ring = OwnedRing(recent, choice, context);
  if (ring >= 0) {
    ContextRing& owner = recent.rings[ring];
    Strengthen(owner, fromRing);
    // The walk ran past the ring's oldest entry: a longer ring would have
    // held what it followed, unless the ring has yet to fill since its
    // owner took it.
    if (fromLinks != 0 && owner.pushed - owner.first >= RingLength(owner)) Grow(recent, owner);
  } else if (fromLinks != 0) {
    // The weaker of the two rings is worn down.
    const bool second = recent.rings[choice.ring[1]].strength < recent.rings[choice.ring[0]].strength;
    ContextRing& owner = recent.rings[choice.ring[second ? 1 : 0]];
    Strengthen(owner, -fromLinks);
    owner.claimant = context;
  }
}
