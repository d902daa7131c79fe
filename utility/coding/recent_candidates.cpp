#include "utility/coding/recent_candidates.h"

#include <cstdlib>

namespace {

// A ring as long as the search limit covers most walks; longer rings would
// leave fewer contexts one.
constexpr int32_t kLongestRing = 1024;
// The owner's lead is capped, so that a context whose walks have become
// cheap gives way to a costlier one in time.
constexpr int64_t kStrongestHold = 1 << 16;
constexpr uint32_t kContextNone = 0xFFFFFFFFu;  // above every three-byte context
constexpr uint32_t kHashFactor = 0x9E3779B1u;
constexpr int32_t kLongestEntry = 0xFFFF;

}  // namespace

int32_t RingOf(const RecentCandidates& recent, uint32_t context) {
  const uint64_t hash = static_cast<uint32_t>(context * kHashFactor);
  return static_cast<int32_t>((hash * static_cast<uint64_t>(recent.ringCount)) >> 32);
}

bool AllocateRecentCandidates(RecentCandidates& recent, int64_t budgetBytes, int32_t searchLimit) {
  recent.ringLength = searchLimit < kLongestRing ? searchLimit : kLongestRing;
  const int64_t ringBytes = int64_t{recent.ringLength} * static_cast<int64_t>(sizeof(uint16_t));
  const int64_t rings = budgetBytes / ringBytes;
  recent.ringCount = static_cast<int32_t>(rings < 1 ? 1 : rings);
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
  const int32_t ring = RingOf(recent, context);
  ContextRing& owner = recent.rings[ring];
  if (owner.context != context) {
    if (owner.strength >= 0 || owner.claimant != context) {
      recent.lastRing = -1;
      return;
    }
    // A new owner starts empty: its entries are its chain from here on.
    owner.context = context;
    owner.strength = 0;
    owner.first = owner.pushed;
  }
  recent.entries[static_cast<int64_t>(ring) * recent.ringLength + (owner.pushed & (recent.ringLength - 1))] =
      static_cast<uint16_t>(link <= kLongestEntry ? link : kFarLink);
  recent.lastRing = ring;
  recent.lastEntry = owner.pushed++;
}

void ChargeWalk(RecentCandidates& recent, uint32_t context, int64_t fromRing, int64_t fromLinks) {
  ContextRing& owner = recent.rings[RingOf(recent, context)];
  if (owner.context == context) {
    const int64_t strength = owner.strength + fromRing;
    owner.strength = static_cast<int32_t>(strength < kStrongestHold ? strength : kStrongestHold);
  } else if (fromLinks != 0) {
    const int64_t strength = owner.strength - fromLinks;
    owner.strength = static_cast<int32_t>(strength > -kStrongestHold ? strength : -kStrongestHold);
    owner.claimant = context;
  }
}
