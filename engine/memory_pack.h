// Packing and restoring in-process, byte for byte what the utility writes
// and reads as files, for tools that hold their data in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/bit_file.h"
#include "engine/coding/lz_buffer.h"
#include "engine/coding/symbol_models.h"
#include "engine/run_parameters.h"

// The packed form of `size` bytes; throws an EngineFailure when the data is
// 2 GiB or larger or memory runs out.
std::vector<uint8_t> PackBytes(const uint8_t* data, uint64_t size, const Switches& switches);

struct UnpackResult {
  bool hasHeader;  // false for an empty packed stream, which restores nothing
  DecodeEnd end;   // kEndMark for a complete stream
  std::vector<uint8_t> bytes;
};

// Restores at most `limit` bytes: a damaged stream can ask for gigabytes.
UnpackResult UnpackBytes(const uint8_t* packed, uint64_t size, int64_t limit = INT32_MAX);

// A restore that goes only as far as it is asked: a reader restores the
// bytes it needs and no more. The packed bytes must outlive it.
struct MemoryUnpack {
  UnpackResult result{false, DecodeEnd::kNone, {}};
  BitFile packed;
  LzBuffer lz;
  HpModel hp;
  HlModel hl[kDistanceModels];
  uint64_t packedSize = 0;
  int64_t largestLimit = 0;  // the limit at the start, which sized the window
};

// Reads the header; result.hasHeader tells whether there was one. No
// restore of at most `limit` bytes needs a window larger than that.
void StartUnpack(MemoryUnpack& unpack, const uint8_t* packed, uint64_t size, int64_t limit = INT32_MAX);
// The same, the restored bytes handed to `sink` rather than result.bytes.
void StartUnpack(MemoryUnpack& unpack, const uint8_t* packed, uint64_t size, int64_t limit, const ByteSink& sink);
// Restores until at least `wanted` bytes are handed on or the stream
// ends (result.end then says how).
void ContinueUnpack(MemoryUnpack& unpack, int64_t wanted);
// Moves the limit (never below what is restored, nor above the one given at
// the start): a reader that knows where its data ends restores nothing past it.
void SetUnpackLimit(MemoryUnpack& unpack, int64_t limit);
// The packed bytes have grown to `size` (they may have moved to `packed`).
// Until `complete`, the restore stops a little short of their end, where
// a code could be cut in two, and waits for more.
void ExtendUnpack(MemoryUnpack& unpack, const uint8_t* packed, uint64_t size, bool complete);
void ReleaseUnpack(MemoryUnpack& unpack);
