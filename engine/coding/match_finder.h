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
// than two and a half times the window (and at least one ring), so that
// small sources keep small tables.
constexpr int64_t kRingBudgetHalvesOfWindow = 5;
int64_t RingBudgetFor(int32_t windowSize, int64_t allowance);
// The allowance of the utility's own runs: the 2 MiB its static link saves
// against loading the shared C++ run-time, less a margin. The Windows
// programs were linked statically before, so there it is nothing.
#ifdef _WIN32
constexpr int64_t kUtilityRingAllowance = 0;
#else
constexpr int64_t kUtilityRingAllowance = int64_t{3} << 19;
#endif

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
