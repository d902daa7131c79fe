#include "utility/coding/recent_candidates.h"

#include <cstdint>
#include <cstdlib>

namespace {

// A ring as long as the search limit covers most walks; longer rings would
// leave fewer contexts one. Under small limits the rings are longer than
// the limit: many short rings cost more to keep track of than they save.
// Under the largest limit they are shorter: walks that deep are few.
constexpr int32_t kLongestRing = 4096;
constexpr int32_t kShortestRing = 256;
// The owner's lead is capped, so that a context whose walks have become
// cheap gives way to a costlier one in time.
constexpr int64_t kStrongestHold = 1 << 16;
constexpr uint32_t kContextNone = 0xFFFFFFFFu;  // above every three-byte context
// Each context may hold one of two rings, so that two busy contexts that
// meet on one ring can still both have one.
constexpr uint32_t kHashFactors[2] = {0x9E3779B1u, 0x85EBCA77u};
constexpr int32_t kLongestEntry = 0xFFFF;

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

}  // namespace

bool AllocateRecentCandidates(RecentCandidates& recent, int64_t budgetBytes, int32_t searchLimit) {
  // A power of two, for the entries are found by masking.
  recent.ringLength = kShortestRing;
  while (recent.ringLength < kLongestRing && recent.ringLength * 2 <= searchLimit) recent.ringLength *= 2;
  const int64_t ringBytes = int64_t{recent.ringLength} * static_cast<int64_t>(sizeof(uint16_t));
  const int64_t perRing = ringBytes + static_cast<int64_t>(sizeof(ContextRing));
  int64_t rings = budgetBytes / perRing;
  if (rings < 1) rings = 1;
  if (rings > INT32_MAX || static_cast<uint64_t>(rings * perRing) > SIZE_MAX) return false;
  recent.ringCount = static_cast<int32_t>(rings);
  const size_t count = static_cast<size_t>(recent.ringCount);
  recent.rings = static_cast<ContextRing*>(std::malloc(count * sizeof(ContextRing)));
  recent.entries = static_cast<uint16_t*>(std::malloc(count * static_cast<size_t>(ringBytes)));
  return recent.rings != nullptr && recent.entries != nullptr;
}

void ResetRecentCandidates(RecentCandidates& recent) {
  for (int32_t r = 0; r < recent.ringCount; ++r) recent.rings[r] = ContextRing{kContextNone, kContextNone, 0, 0, 0};
  recent.lastRing = -1;
  recent.lastEntry = -1;
}

void ReleaseRecentCandidates(RecentCandidates& recent) {
  std::free(recent.rings);
  std::free(recent.entries);
  recent.rings = nullptr;
  recent.entries = nullptr;
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
    // A new owner starts empty: its entries are its chain from here on.
    ContextRing& taken = recent.rings[ring];
    taken.context = context;
    taken.strength = 0;
    taken.first = taken.pushed;
  }
  ContextRing& owner = recent.rings[ring];
  recent.entries[static_cast<int64_t>(ring) * recent.ringLength + (owner.pushed & (recent.ringLength - 1))] =
      static_cast<uint16_t>(link <= kLongestEntry ? link : kLinkInTable);
  recent.lastRing = ring;
  recent.lastEntry = owner.pushed++;
}

void ChargeWalk(RecentCandidates& recent, uint32_t context, int64_t fromRing, int64_t fromLinks) {
  const RingChoice choice = RingsOf(recent, context);
  const int32_t ring = OwnedRing(recent, choice, context);
  if (ring >= 0) {
    Strengthen(recent.rings[ring], fromRing);
  } else if (fromLinks != 0) {
    // The weaker of the two rings is worn down.
    const bool second = recent.rings[choice.ring[1]].strength < recent.rings[choice.ring[0]].strength;
    ContextRing& owner = recent.rings[choice.ring[second ? 1 : 0]];
    Strengthen(owner, -fromLinks);
    owner.claimant = context;
  }
}
