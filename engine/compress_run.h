// The compression run: the source as the input of the LZ buffer, and the
// loop that hands each token of the match finder to the coders.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/bit_file.h"
#include "engine/coding/lz_buffer.h"
#include "engine/coding/symbol_models.h"
#include "engine/progress.h"

// Opens and buffers the source file, allocates the window and the match
// tables and takes in the first byte; throws an EngineFailure on failure.
void OpenSource(LzBuffer& lz, const char* name, int32_t windowSize, int32_t searchLimit);
// The same over bytes in memory. The rings of recent candidates take
// `ringBudget` bytes, or by default the window's share (RingBudgetFor).
void OpenMemorySource(LzBuffer& lz, const uint8_t* data, uint64_t size, int32_t windowSize,
                      int32_t searchLimit, int64_t ringBudget = -1);
void ReleaseSource(LzBuffer& lz);

// Codes the whole source and the end mark. `progress` (may be null) gets the
// percentage display, measured against `sourceSize`.
void CompressRun(BitFile& packed, LzBuffer& lz, HpModel& hp, HlModel (&hl)[kDistanceModels],
                 int64_t sourceSize, FILE* progress);
