// The one circular window of a run, with the file being compressed (source
// side, with the match finder's tables) or restored (target side).
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine/coding/recent_candidates.h"
#include "engine/fail.h"

class OutputFile;

constexpr int32_t kEmptyWindowSize = 1024;  // the window of an empty source
// The source and target streams are read and written in pieces of this size:
// another process reading the restored file sees it grow by whole pieces.
constexpr size_t kStreamBufferSize = 1024;
constexpr int kContextTables = 3;
// Primes; a context that collides in one table falls through to the next.
constexpr int32_t kContextTableSizes[kContextTables] = {83273, 21121, 797};
constexpr int32_t kLongestSearchedLength = 32767;

// Bytes to compress: a file read in whole pieces into `buffer`, or a block
// of memory (then `next` and `end` point into it and there is no stream).
struct ByteSource {
  FILE* stream = nullptr;
  const uint8_t* next = nullptr;
  const uint8_t* end = nullptr;
  uint8_t buffer[kStreamBufferSize];
};

// Where restored bytes go: a file, written in whole pieces straight from
// the window, a vector, or a receiver the caller keeps them in.
struct ByteSink {
  OutputFile* output = nullptr;
  std::vector<uint8_t>* memory = nullptr;
  void (*append)(void* receiver, const uint8_t* bytes, size_t count) = nullptr;
  void* receiver = nullptr;
};

// Refills the source's buffer; -1 at the end. A read error is not an end: it
// is reported, for the packed file would silently lose the rest of the source.
int RefillSource(ByteSource& source);

inline int ReadSourceByte(ByteSource& source) {
  if (source.next != source.end) return *source.next++;
  return RefillSource(source);
}

struct LzBuffer {
  int32_t windowSize = 0;
  uint8_t* window = nullptr;

  // Source side.
  ByteSource source;
  int32_t searchLimit = 0;
  int32_t fill = 0;
  // Per slot, three bytes: the distance back to the previous position with
  // the same context, less one; all ones when there is none.
  uint8_t* link = nullptr;
  RecentCandidates recent;
  int32_t* contextTable[kContextTables] = {nullptr, nullptr, nullptr};
  uint32_t contextRegister = 0;  // the current byte and the next two
  int32_t registerCount = 1;
  int32_t currentSlot = -1;
  int32_t currentPosition = -1;
  int32_t endFlag = 0;

  // Target side.
  ByteSink target;
  int32_t writePosition = 0;
  int32_t handedOn = 0;  // the window's bytes before this have gone to the target
  int64_t restoredCount = 0;
  int64_t restoreLimit = INT64_MAX;  // a run that would restore more stops there
  // What is left of a match when a run paused or stopped inside it.
  uint32_t pendingDistance = 0;
  int64_t pendingLength = 0;
};
