#include "engine/coding/match_finder.h"

#include <cstdlib>
#include <cstring>

// Slots and positions agree modulo the window size: while the window is
// filling no position has wrapped, and once it is full the fill equals it.
static inline int32_t SlotBack(const LzBuffer& lz, int32_t back) {
  int32_t slot = lz.currentSlot - back;
  return slot < 0 ? slot + lz.windowSize : slot;
}

static inline int32_t NextSlot(const LzBuffer& lz, int32_t slot) {
  return slot + 1 == lz.windowSize ? 0 : slot + 1;
}

// Links are three bytes: a window holds at most 2^24 positions.
constexpr size_t kLinkBytes = 3;
constexpr int32_t kLargestLinkedWindow = int32_t{1} << 24;
constexpr uint32_t kLinkMask = 0xFFFFFFu;
constexpr uint32_t kNoLink = kLinkMask;

// The distance back to the previous position with the same context; beyond
// every window when there is none. A link is read as a four-byte word, the
// table keeping one byte of slack past its end.
static inline int32_t LoadLink(const LzBuffer& lz, int32_t slot) {
  uint32_t word;
  std::memcpy(&word, lz.link + kLinkBytes * static_cast<size_t>(slot), sizeof(word));
  return static_cast<int32_t>(word & kLinkMask) + 1;
}

static inline void StoreLink(LzBuffer& lz, int32_t slot, uint32_t stored) {
  uint8_t* at = lz.link + kLinkBytes * static_cast<size_t>(slot);
  at[0] = static_cast<uint8_t>(stored);
  at[1] = static_cast<uint8_t>(stored >> 8);
  at[2] = static_cast<uint8_t>(stored >> 16);
}

static inline bool SourceUsedUp(const LzBuffer& lz) {
  return lz.endFlag != 0 && lz.registerCount == 0;
}

int64_t RingAllowanceFor(int32_t searchLimit) {
  constexpr int32_t kLongWalkLimit = 128;
#ifdef _WIN32
  constexpr int64_t kLongWalkAllowance = int64_t{5} << 20;
  constexpr int64_t kShortWalkAllowance = 0;
#else
  constexpr int64_t kLongWalkAllowance = int64_t{9} << 20;
  constexpr int64_t kShortWalkAllowance = int64_t{3} << 19;
#endif
  return searchLimit >= kLongWalkLimit ? kLongWalkAllowance : kShortWalkAllowance;
}

int64_t RingBudgetFor(int32_t windowSize, int64_t allowance) {
  const int64_t saved = windowSize;  // the links' fourth bytes
  const int64_t budget = saved + allowance;
  const int64_t proportional = saved * kRingBudgetWindows;
  return budget < proportional ? budget : proportional;
}

bool AllocateMatchTables(LzBuffer& lz, int32_t windowSize, int32_t searchLimit, int64_t ringBudget) {
  if (windowSize <= 0 || windowSize > kLargestLinkedWindow || searchLimit < 1) return false;
  lz.windowSize = windowSize;
  const size_t linkBytes = kLinkBytes * static_cast<size_t>(windowSize);
  lz.link = static_cast<uint8_t*>(std::malloc(linkBytes + 1));
  if (lz.link != nullptr) lz.link[linkBytes] = 0;  // the slack the last link's word reads
  const bool ringsTaken = AllocateRecentCandidates(lz.recent, ringBudget, searchLimit);
  lz.window = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(windowSize), 1));
  for (int t = 0; t < kContextTables; ++t) {
    lz.contextTable[t] = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * kContextTableSizes[t]));
  }
  return ringsTaken && lz.link != nullptr && lz.window != nullptr && lz.contextTable[0] != nullptr &&
         lz.contextTable[1] != nullptr && lz.contextTable[2] != nullptr;
}

void StartMatchFinder(LzBuffer& lz, int32_t searchLimit) {
  lz.searchLimit = searchLimit;
  lz.fill = 0;
  for (int t = 0; t < kContextTables; ++t) {
    for (int32_t i = 0; i < kContextTableSizes[t]; ++i) lz.contextTable[t][i] = -1;
  }
  lz.contextRegister = 0;
  lz.registerCount = 1;  // so that the first Advance begins with an empty register
  lz.currentSlot = -1;
  lz.currentPosition = -1;
  lz.endFlag = 0;
  ResetRecentCandidates(lz.recent);
  Advance(lz);
}

void ReleaseMatchTables(LzBuffer& lz) {
  std::free(lz.link);
  std::free(lz.window);
  ReleaseRecentCandidates(lz.recent);
  lz.link = nullptr;
  lz.window = nullptr;
  for (int t = 0; t < kContextTables; ++t) {
    std::free(lz.contextTable[t]);
    lz.contextTable[t] = nullptr;
  }
}

int Advance(LzBuffer& lz) {
  if (SourceUsedUp(lz)) return 0;
  --lz.registerCount;
  lz.contextRegister >>= 8;
  while (lz.registerCount <= 2 && lz.endFlag == 0) {
    int byte = ReadSourceByte(lz.source);
    if (byte < 0) {
      lz.endFlag = 1;
      break;
    }
    lz.contextRegister |= static_cast<uint32_t>(byte) << (8 * lz.registerCount);
    ++lz.registerCount;
  }
  if (SourceUsedUp(lz)) return 0;
  ++lz.currentPosition;
  lz.currentSlot = NextSlot(lz, lz.currentSlot);
  lz.window[lz.currentSlot] = static_cast<uint8_t>(lz.contextRegister);
  if (lz.fill < lz.windowSize) ++lz.fill;
  // A position with fewer than two bytes after it has no context, and no link.
  if (lz.registerCount != 3) {
    StoreLink(lz, lz.currentSlot, kNoLink);
    return 1;
  }
  const int32_t previous = LookupContext(lz, lz.contextRegister);
  const int32_t link = previous < 0 ? 0 : lz.currentPosition - previous;  // 0: the chain breaks here
  StoreLink(lz, lz.currentSlot, link == 0 ? kNoLink : static_cast<uint32_t>(link - 1));
  RecordCandidate(lz.recent, lz.contextRegister, link);
  return 1;
}

int32_t LookupContext(LzBuffer& lz, uint32_t context) {
  int32_t* entry = nullptr;
  int answer = 0;
  for (int t = 0; t < kContextTables; ++t) {
    entry = &lz.contextTable[t][context % static_cast<uint32_t>(kContextTableSizes[t])];
    answer = CheckCandidate(lz, context, *entry);
    if (answer != 0) break;
  }
  int32_t found = answer == 1 ? *entry : -1;
  *entry = lz.currentPosition;
  return found;
}

int CheckCandidate(const LzBuffer& lz, uint32_t context, int32_t position) {
  if (position == -1) return -1;
  int32_t back = lz.currentPosition - position;
  if (back > lz.fill - 1) return -2;
  // Mostly all three bytes lie in the window, in a row: compared at once.
  const int32_t slot = SlotBack(lz, back);
  if (back >= 2 && slot + 2 < lz.windowSize) {
    const uint8_t* bytes = lz.window + slot;
    const uint32_t stored = bytes[0] | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16;
    return stored == (context & 0xFFFFFFu) ? 1 : 0;
  }
  for (int i = 0; i < 3; ++i) {
    uint32_t byte;
    if (position + i <= lz.currentPosition) {
      byte = lz.window[SlotBack(lz, back - i)];
    } else {
      // Bytes after the current one are still in the context register.
      byte = (lz.contextRegister >> (8 * (position + i - lz.currentPosition))) & 0xFFu;
    }
    if (byte != ((context >> (8 * i)) & 0xFFu)) return 0;
  }
  return 1;
}

static inline uint64_t LoadWord(const uint8_t* bytes) {
  uint64_t word;
  std::memcpy(&word, bytes, sizeof(word));
  return word;
}

// Byte by byte from `length` down to 3, stepping back over the window's end.
static bool MatchesAcrossWrap(const uint8_t* window, int32_t size, int32_t a, int32_t b,
                              int32_t length) {
  if (a >= size) a -= size;
  if (b >= size) b -= size;
  for (int32_t offset = length; offset >= 3; --offset) {
    if (window[a] != window[b]) return false;
    a = a == 0 ? size - 1 : a - 1;
    b = b == 0 ? size - 1 : b - 1;
  }
  return true;
}

// True when the candidate at `candidate` agrees with the bytes at `start` at
// every offset from `length` down to 3 (offsets 0 to 2 agree by the chain).
// Most candidates differ at the highest offset, so it is tested alone first;
// candidates inside long runs agree for long stretches, compared a word at a
// time when neither stretch crosses the window's end.
static bool MatchesBeyond(const LzBuffer& lz, int32_t candidateSlot, int32_t startSlot,
                          int32_t length) {
  const uint8_t* window = lz.window;
  const int32_t size = lz.windowSize;
  if (candidateSlot + length >= size || startSlot + length >= size) {
    return MatchesAcrossWrap(window, size, candidateSlot + length, startSlot + length, length);
  }
  const uint8_t* a = window + candidateSlot;
  const uint8_t* b = window + startSlot;
  if (a[length] != b[length]) return false;
  int32_t offset = length - 1;
  while (offset - 7 >= 3) {
    if (LoadWord(a + offset - 7) != LoadWord(b + offset - 7)) return false;
    offset -= 8;
  }
  for (; offset >= 3; --offset) {
    if (a[offset] != b[offset]) return false;
  }
  return true;
}

// Follows one candidate for as long as it agrees with the source. Sets
// *stop once the newest byte has been stored over the candidate's first byte.
static void ExtendCandidate(LzBuffer& lz, int32_t candidateSlot, int32_t* length, bool* stop) {
  // The current position lies `length` bytes past the match's start, always
  // inside the window, so one wrap suffices.
  int32_t compareSlot = candidateSlot + *length;
  if (compareSlot >= lz.windowSize) compareSlot -= lz.windowSize;
  for (;;) {
    ++*length;
    if (!Advance(lz)) break;
    compareSlot = NextSlot(lz, compareSlot);
    if (lz.window[compareSlot] != lz.window[lz.currentSlot]) break;
    if (lz.currentSlot == candidateSlot) *stop = true;
  }
  if (lz.currentSlot == candidateSlot) *stop = true;
}

// Where the walk stands: the current candidate, `back` bytes behind the
// current position at `slot`, and its entry in its context's ring (-1 once
// the walk has left the ring for good).
struct WalkPlace {
  int32_t back;
  int32_t slot;
  int64_t entry;
};

// True when the candidate at `slot` agrees with the start on `length` + 1
// bytes. Most candidates already differ at the highest offset: that byte
// is tested before the full comparison.
static inline bool AgreesBeyond(const LzBuffer& lz, int32_t slot, int32_t startSlot, int32_t length,
                                uint8_t highByte) {
  int32_t probe = slot + length;
  if (probe >= lz.windowSize) probe -= lz.windowSize;
  return lz.window[probe] == highByte && MatchesBeyond(lz, slot, startSlot, length);
}

// The slot `length` bytes before `slot`.
static inline int32_t SlotBefore(int32_t slot, int32_t length, int32_t size) {
  const int32_t before = slot - length;
  return before < 0 ? before + size : before;
}

// Counts the candidates taken from the ring and from the links.
struct WalkSteps {
  int64_t fromRing = 0;
  int64_t fromLinks = 0;
};

// Moves `place` along the chain to the nearest candidate that agrees with
// the start on `length` + 1 bytes; false when the chain or the window ends
// first, or after the search limit of fruitless candidates in a row. The
// ring, while it holds the place's entry, gives the same links as the table.
static bool FindLonger(LzBuffer& lz, int32_t startSlot, int32_t length, int32_t ring, WalkPlace* place,
                       WalkSteps* steps) {
  int32_t highSlot = startSlot + length;
  if (highSlot >= lz.windowSize) highSlot -= lz.windowSize;
  const uint8_t highByte = lz.window[highSlot];
  const int32_t size = lz.windowSize;
  const int32_t reach = lz.fill - 1;
  int32_t fruitless = 0;
  if (place->entry >= 0) {
    // The ring's links one after another, for as long as it holds them and
    // the limit allows. The loop is the hottest of all: its state stays in
    // locals, and one bound stands for both ends.
    const int64_t newest = place->entry;
    const int64_t oldest = OldestLiveEntry(lz.recent, ring);
    const int64_t lastAllowed = newest - (lz.searchLimit - 1);
    const int64_t stop = oldest > lastAllowed ? oldest : lastAllowed;
    // A ring given up has no block: its entries are then never read.
    const uint16_t* links = newest >= stop ? RingEntries(lz.recent, ring) : nullptr;
    const int64_t mask = RingLength(lz.recent.rings[ring]) - 1;
    // The walk keeps the candidate's byte at the offset tested first, and
    // finds its start only for the few that agree there.
    const uint8_t* window = lz.window;
    int32_t back = place->back;
    int32_t probe = place->slot + length;
    if (probe >= size) probe -= size;
    int64_t entry = newest;
    for (; entry >= stop; --entry) {
      int32_t link = links[entry & mask];
      // A link too long for the ring, or none, is in the table.
      if (link == kLinkInTable) link = LoadLink(lz, SlotBefore(probe, length, size));
      if (link > reach - back) {
        steps->fromRing += newest - entry;
        return false;
      }
      back += link;
      probe -= link;
      if (probe < 0) probe += size;
      if (window[probe] == highByte) {
        const int32_t slot = SlotBefore(probe, length, size);
        if (MatchesBeyond(lz, slot, startSlot, length)) {
          steps->fromRing += newest - entry + 1;
          *place = WalkPlace{back, slot, entry - 1};
          return true;
        }
      }
    }
    fruitless = static_cast<int32_t>(newest - entry);
    steps->fromRing += fruitless;
    if (fruitless == lz.searchLimit) return false;
    *place = WalkPlace{back, SlotBefore(probe, length, size), entry};
  }
  // Leaving its own context's ring at the owner's first entry, the walk
  // follows the links of the entries before it: while the ring has room
  // they are kept there, for later walks to read in a row.
  int64_t entry = place->entry;
  bool filling = entry >= 0 && CanFillBack(lz.recent, ring, entry);
  int32_t back = place->back;
  int32_t slot = place->slot;
  for (;;) {
    // Inside the window a link is below the window size: one wrap suffices.
    // The test is written so that no sum can overflow.
    const int32_t link = LoadLink(lz, slot);
    if (link > reach - back) return false;
    if (filling) filling = FillBack(lz.recent, ring, link);
    --entry;
    back += link;
    slot -= link;
    if (slot < 0) slot += size;
    ++steps->fromLinks;
    if (AgreesBeyond(lz, slot, startSlot, length, highByte)) {
      *place = WalkPlace{back, slot, filling ? entry : -1};
      return true;
    }
    if (++fruitless == lz.searchLimit) return false;
  }
}

bool FindToken(LzBuffer& lz, Token* token) {
  if (SourceUsedUp(lz)) return false;
  const int32_t start = lz.currentPosition;
  const int32_t startSlot = lz.currentSlot;
  const int32_t firstLink = LoadLink(lz, startSlot);
  if (firstLink > lz.fill - 1) {
    *token = Token{1, 0, lz.window[startSlot]};
    Advance(lz);
    return true;
  }
  // The start is its ring's newest entry; the first candidate, the one before.
  const uint32_t context = lz.contextRegister;
  const int32_t ring = lz.recent.lastRing;
  int64_t candidateEntry = ring >= 0 ? lz.recent.lastEntry - 1 : -1;
  int32_t candidate = start - firstLink;
  int32_t candidateSlot = SlotBack(lz, firstLink);
  int32_t distance = firstLink;
  bool stop = false;
  // The first three bytes agree by the context; take two without comparing.
  for (int i = 0; i < 2; ++i) {
    Advance(lz);
    if (lz.currentSlot == candidateSlot) stop = true;
  }
  int32_t length = 2;
  WalkSteps steps;
  for (;;) {
    ExtendCandidate(lz, candidateSlot, &length, &stop);
    if (stop || SourceUsedUp(lz) || length >= kLongestSearchedLength) break;
    // Only a strictly longer match replaces the current one, so among equal
    // lengths the nearest wins.
    WalkPlace place{lz.currentPosition - candidate, candidateSlot, candidateEntry};
    if (!FindLonger(lz, startSlot, length, ring, &place, &steps)) break;
    candidate = lz.currentPosition - place.back;
    candidateSlot = place.slot;
    candidateEntry = place.entry;
    distance = start - candidate;
  }
  ChargeWalk(lz.recent, context, steps.fromRing, steps.fromLinks);
  *token = Token{length, distance, 0};
  return true;
}
