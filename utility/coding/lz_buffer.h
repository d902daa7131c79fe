// The one circular window of a run, with the file being compressed (source
// side, with the match finder's tables) or restored (target side).
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "utility/fail.h"
#include "utility/platform_io.h"

constexpr int32_t kEmptyWindowSize = 1024;  // the window of an empty source
constexpr int kContextTables = 3;
// Primes; a context that collides in one table falls through to the next.
constexpr int32_t kContextTableSizes[kContextTables] = {83273, 21121, 797};
constexpr int32_t kLongestSearchedLength = 32767;

// Bytes to compress: a stdio stream, or a block of memory.
struct ByteSource {
  FILE* stream = nullptr;
  const uint8_t* next = nullptr;
  const uint8_t* end = nullptr;
};

// Restored bytes: a stdio stream, or a vector in memory.
struct ByteSink {
  FILE* stream = nullptr;
  std::vector<uint8_t>* memory = nullptr;
};

struct LzBuffer {
  int32_t windowSize = 0;
  uint8_t* window = nullptr;

  // Source side.
  ByteSource source;
  int32_t searchLimit = 0;
  int32_t fill = 0;
  int32_t* link = nullptr;  // per slot: distance back to the previous equal context
  int32_t* contextTable[kContextTables] = {nullptr, nullptr, nullptr};
  uint32_t contextRegister = 0;  // the current byte and the next two
  int32_t registerCount = 1;
  int32_t currentSlot = -1;
  int32_t currentPosition = -1;
  int32_t endFlag = 0;

  // Target side.
  ByteSink target;
  int32_t writePosition = 0;
  int64_t restoredCount = 0;
};

// The next source byte, or -1 at the end. A read error is not an end: it is
// reported, for the packed file would silently lose the rest of the source.
inline int ReadSourceByte(ByteSource& source) {
  if (source.stream == nullptr) return source.next == source.end ? -1 : *source.next++;
  int byte = GetByte(source.stream);
  if (byte == EOF && std::ferror(source.stream)) FailCoded(exitcode::kFailure, msg::kSourceReadError);
  return byte;
}

inline void WriteTargetByte(ByteSink& target, uint8_t byte) {
  if (target.memory != nullptr) {
    target.memory->push_back(byte);
  } else if (PutByte(byte, target.stream) == EOF) {
    FailCoded(exitcode::kFailure, msg::kTargetWriteError);
  }
}
