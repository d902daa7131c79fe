// The decompression run: the target side of the LZ buffer with its 16 MiB
// window, and the loop that decodes one token after another.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine/bit_file.h"
#include "engine/coding/lz_buffer.h"
#include "engine/coding/symbol_models.h"

constexpr int32_t kRestoreWindowSize = int32_t{1} << 24;

// No distance the models of window exponent e can decode exceeds 2^e, so a
// window of twice that restores exactly what the full window would, in less
// memory and with fewer cold pages. From e = 23 on it is the full window and
// a piece more, so that copies may always run over their end by a word.
int32_t RestoreWindowFor(uint32_t exponent);

// Allocates the (cleared) window of a target stream, a whole number of
// pieces long; throws an EngineFailure on failure. Done before the target is
// created, so that a failure leaves a file already under its name as it was.
void OpenTargetWindow(LzBuffer& lz, int32_t windowSize);
// Restores into an opened output, which stays its caller's to commit.
void AttachTarget(LzBuffer& lz, OutputFile* output);
// Restores into a vector or a receiver of the sink's.
void OpenSinkTarget(LzBuffer& lz, const ByteSink& sink, int32_t windowSize);
// Hands on every restored byte not yet written out, a partial piece too.
void FlushRestored(LzBuffer& lz);
// Frees the window, writing out what is left.
void ReleaseTarget(LzBuffer& lz);

void PutLiteral(LzBuffer& lz, uint8_t byte);
// False (and nothing appended) when the distance reaches outside what has
// been restored, which no compressor writes.
bool CopyMatch(LzBuffer& lz, uint32_t distance, int64_t length);

// Decodes tokens until the stream ends; returns how it ended: kEndMark for a
// well-formed stream, kCutShort when it stopped anywhere else, kOverLimit
// when the output would pass lz.restoreLimit (it then holds exactly the
// limit). With `pauseAt`, it returns kPaused at the first token boundary
// at or past that many restored bytes, and likewise once an in-memory
// stream has been read to its horizon; calling it again goes on from there.
DecodeEnd DecompressRun(LzBuffer& lz, BitFile& packed, HpModel& hp, HlModel (&hl)[kDistanceModels],
                        int64_t packedSize, FILE* progress, int64_t pauseAt = INT64_MAX);
