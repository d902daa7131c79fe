// The greedy match finder: every position is chained to the previous one
// that starts with the same three bytes, found through three hash tables of
// decreasing size; FindToken walks the chain from the nearest candidate,
// reading the links of the busiest contexts from their rings of recent
// candidates.
#pragma once

#include <cstdint>

#include "engine/coding/lz_buffer.h"

struct Token {
  int32_t length;    // 1 for a literal, else at least 3
  int32_t distance;  // for a match, at least 1
  uint8_t byte;      // for a literal
};

// The bytes the rings of recent candidates may take beside a window: what
// three-byte links save against four-byte ones and `allowance`, but no more
// than ten times the window (and at least one ring), so that small sources
// keep small tables.
constexpr int64_t kRingBudgetWindows = 10;
int64_t RingBudgetFor(int32_t windowSize, int64_t allowance);
// The allowance of a run. Packing may take up to twice the peak it took
// when the rings had only the links' savings and the room the utility's
// static link saved (none on Windows, linked statically before). Walks
// that may pass over many candidates take that room: most of it goes to
// walks that would otherwise follow the links one at a time, and beyond
// about 9 MiB more no longer pays. Short walks keep the former room, for
// the upkeep of more rings costs them more than the rings save.
int64_t RingAllowanceFor(int32_t searchLimit);

// Allocates the link and context tables, the rings and the window; false
// when an allocation fails, the window is beyond what a link can span or
// the search limit is below one.
// The source must already be attached.
bool AllocateMatchTables(LzBuffer& lz, int32_t windowSize, int32_t searchLimit, int64_t ringBudget);
// Sets the initial state and takes in the first source byte.
void StartMatchFinder(LzBuffer& lz, int32_t searchLimit);
void ReleaseMatchTables(LzBuffer& lz);

int Advance(LzBuffer& lz);
int32_t LookupContext(LzBuffer& lz, uint32_t context);
int CheckCandidate(const LzBuffer& lz, uint32_t context, int32_t position);
// False when the source is used up.
bool FindToken(LzBuffer& lz, Token* token);
