#include "tests/engine/coding/reference_finder.h"

namespace {

int32_t SlotBack(const ReferenceFinder& lz, int32_t back) {
  int32_t slot = lz.currentSlot - back;
  return slot < 0 ? slot + lz.windowSize : slot;
}

int32_t SlotOf(const ReferenceFinder& lz, int32_t position) { return SlotBack(lz, lz.currentPosition - position); }

int32_t NextSlot(const ReferenceFinder& lz, int32_t slot) { return slot + 1 == lz.windowSize ? 0 : slot + 1; }

bool SourceUsedUp(const ReferenceFinder& lz) { return lz.endFlag != 0 && lz.registerCount == 0; }

int CheckCandidate(const ReferenceFinder& lz, uint32_t context, int32_t position) {
  if (position == -1) return -1;
  int32_t back = lz.currentPosition - position;
  if (back > lz.fill - 1) return -2;
  for (int i = 0; i < 3; ++i) {
    uint32_t byte;
    if (position + i <= lz.currentPosition) {
      byte = lz.window[SlotBack(lz, back - i)];
    } else {
      byte = (lz.contextRegister >> (8 * (position + i - lz.currentPosition))) & 0xFFu;
    }
    if (byte != ((context >> (8 * i)) & 0xFFu)) return 0;
  }
  return 1;
}

int32_t LookupContext(ReferenceFinder& lz, uint32_t context) {
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

int Advance(ReferenceFinder& lz) {
  if (SourceUsedUp(lz)) return 0;
  --lz.registerCount;
  lz.contextRegister >>= 8;
  while (lz.registerCount <= 2 && lz.endFlag == 0) {
    if (lz.next == lz.end) {
      lz.endFlag = 1;
      break;
    }
    lz.contextRegister |= static_cast<uint32_t>(*lz.next++) << (8 * lz.registerCount);
    ++lz.registerCount;
  }
  if (SourceUsedUp(lz)) return 0;
  ++lz.currentPosition;
  lz.currentSlot = NextSlot(lz, lz.currentSlot);
  lz.window[lz.currentSlot] = static_cast<uint8_t>(lz.contextRegister);
  if (lz.fill < lz.windowSize) ++lz.fill;
  lz.link[lz.currentSlot] = lz.registerCount == 3 ? lz.currentPosition - LookupContext(lz, lz.contextRegister)
                                                  : lz.currentPosition + 1;
  return 1;
}

bool MatchesBeyond(const ReferenceFinder& lz, int32_t candidate, int32_t start, int32_t length) {
  for (int32_t offset = length; offset >= 3; --offset) {
    int32_t a = SlotOf(lz, candidate) + offset;
    int32_t b = SlotOf(lz, start) + offset;
    if (a >= lz.windowSize) a -= lz.windowSize;
    if (b >= lz.windowSize) b -= lz.windowSize;
    if (lz.window[a] != lz.window[b]) return false;
  }
  return true;
}

void ExtendCandidate(ReferenceFinder& lz, int32_t candidateSlot, int32_t* length, bool* stop) {
  for (;;) {
    ++*length;
    if (!Advance(lz)) break;
    int32_t compareSlot = static_cast<int32_t>((int64_t{candidateSlot} + *length) % lz.windowSize);
    if (lz.window[compareSlot] != lz.window[lz.currentSlot]) break;
    if (lz.currentSlot == candidateSlot) *stop = true;
  }
  if (lz.currentSlot == candidateSlot) *stop = true;
}

int32_t NextInChain(const ReferenceFinder& lz, int32_t position, int32_t slot) {
  int32_t next = position - lz.link[slot];
  return lz.currentPosition - next <= lz.fill - 1 ? next : -1;
}

}  // namespace

void StartReferenceFinder(ReferenceFinder& lz, const uint8_t* data, uint64_t size, int32_t windowSize,
                          int32_t searchLimit) {
  lz.next = data;
  lz.end = data + size;
  lz.windowSize = windowSize == 0 ? kEmptyWindowSize : windowSize;
  lz.searchLimit = searchLimit;
  lz.window.assign(static_cast<size_t>(lz.windowSize), 0);
  lz.link.assign(static_cast<size_t>(lz.windowSize), 0);
  for (int t = 0; t < kContextTables; ++t) lz.contextTable[t].assign(static_cast<size_t>(kContextTableSizes[t]), -1);
  Advance(lz);
}

bool ReferenceFindToken(ReferenceFinder& lz, Token* token) {
  if (SourceUsedUp(lz)) return false;
  const int32_t start = lz.currentPosition;
  const int32_t startSlot = lz.currentSlot;
  const int32_t firstLink = lz.link[startSlot];
  if (firstLink > lz.fill - 1) {
    *token = Token{1, 0, lz.window[startSlot]};
    Advance(lz);
    return true;
  }
  int32_t candidate = start - firstLink;
  int32_t candidateSlot = SlotBack(lz, firstLink);
  int32_t distance = firstLink;
  bool stop = false;
  for (int i = 0; i < 2; ++i) {
    Advance(lz);
    if (lz.currentSlot == candidateSlot) stop = true;
  }
  int32_t length = 2;
  for (;;) {
    ExtendCandidate(lz, candidateSlot, &length, &stop);
    if (stop || SourceUsedUp(lz)) break;
    int32_t next = NextInChain(lz, candidate, candidateSlot);
    int32_t fruitless = 0;
    while (next != -1 && !MatchesBeyond(lz, next, start, length)) {
      if (++fruitless == lz.searchLimit) {
        next = -1;
        break;
      }
      next = NextInChain(lz, next, SlotOf(lz, next));
    }
    if (next == -1 || length >= kLongestSearchedLength) break;
    candidate = next;
    candidateSlot = SlotOf(lz, next);
    distance = start - next;
  }
  *token = Token{length, distance, 0};
  return true;
}
