// The rings' pool under takeovers, growth, freeing and filling back: every
// block is free or held exactly once, free runs are aligned and joined with
// free buddies, and a ring without a block holds nothing live. The finder's
// differential test shows the rings give the right links; this shows the
// pool does not leak or split them, which would only cost speed there.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/coding/recent_candidates.h"

namespace {

void ExpectPoolSound(const RecentCandidates& recent) {
  std::vector<int> uses(static_cast<size_t>(recent.blockCount), 0);
  auto mark = [&](int32_t block, int32_t order) {
    for (int32_t b = block; b < block + (int32_t{1} << order); ++b) ++uses[static_cast<size_t>(b)];
  };
  for (int32_t order = 0; order <= recent.longestOrder; ++order) {
    for (int32_t block = recent.freeHead[order]; block != -1; block = recent.nextFree[block]) {
      ASSERT_EQ(recent.freeOrder[block], order);
      ASSERT_EQ(block % (int32_t{1} << order), 0) << "free run not aligned";
      ASSERT_LE(block + (int32_t{1} << order), recent.blockCount);
      const int32_t buddy = block ^ (int32_t{1} << order);
      if (order < recent.longestOrder && buddy < recent.blockCount) {
        EXPECT_NE(recent.freeOrder[buddy], order) << "free buddies left apart at " << block;
      }
      mark(block, order);
    }
  }
  for (int32_t r = 0; r < recent.ringCount; ++r) {
    const ContextRing& ring = recent.rings[r];
    if (ring.block == -1) {
      EXPECT_GE(OldestLiveEntry(recent, r), ring.pushed) << "ring " << r << " has no block but live entries";
      continue;
    }
    mark(ring.block, ring.order);
  }
  for (int32_t b = 0; b < recent.blockCount; ++b) ASSERT_EQ(uses[static_cast<size_t>(b)], 1) << "block " << b;
}

TEST(RecentCandidates, PoolStaysWholeUnderEveryChange) {
  RecentCandidates recent;
  ASSERT_TRUE(AllocateRecentCandidates(recent, 256 << 10, 1024));
  ResetRecentCandidates(recent);
  std::mt19937 random(7);
  // A few busy contexts among many rare ones, as in text.
  std::geometric_distribution<uint32_t> pick(0.1);
  int32_t deepest = 0;
  for (int step = 1; step <= 400000; ++step) {
    const uint32_t context = pick(random) % 5000;
    RecordCandidate(recent, context, static_cast<int32_t>(random() % 70000));
    const int32_t ring = recent.lastRing;
    if (ring >= 0 && random() % 4 == 0) {
      for (int64_t entry = recent.rings[ring].first - 1; CanFillBack(recent, ring, entry); --entry) {
        if (!FillBack(recent, ring, static_cast<int32_t>(random() % 1000))) break;
      }
    }
    ChargeWalk(recent, context, random() % 300, random() % 3 == 0 ? random() % 500 : 0);
    if (ring >= 0 && recent.rings[ring].order > deepest) deepest = recent.rings[ring].order;
    if (step % 20000 == 0) ExpectPoolSound(recent);
  }
  ExpectPoolSound(recent);
  EXPECT_EQ(deepest, recent.longestOrder) << "no ring grew to the longest";
  ReleaseRecentCandidates(recent);
}

TEST(RecentCandidates, LongestRingFitsThePool) {
  for (int64_t budget : {int64_t{0}, int64_t{1}, int64_t{700}, int64_t{5000}, int64_t{1} << 20}) {
    RecentCandidates recent;
    ASSERT_TRUE(AllocateRecentCandidates(recent, budget, 16384));
    EXPECT_GE(recent.ringCount, 1);
    EXPECT_GE(recent.blockCount, 1);
    EXPECT_LE(int32_t{1} << recent.longestOrder, recent.blockCount) << "budget " << budget;
    ResetRecentCandidates(recent);
    ExpectPoolSound(recent);
    ReleaseRecentCandidates(recent);
  }
}

}  // namespace
