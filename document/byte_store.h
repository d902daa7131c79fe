// Bytes of a document that several threads read at once, each through a
// DocFile of its own: a file read by position, bytes in memory, or a packed
// document restored as far as the readers ask.
#pragma once

#include <cstdint>

class ByteStore {
 public:
  virtual ~ByteStore() = default;
  // Makes the bytes up to `wanted` there as far as there are any; returns
  // how many are there. Throws a DocumentError when getting them fails.
  virtual int64_t Reach(int64_t wanted) = 0;
  // Copies `count` bytes from `at`, all below what Reach has returned;
  // false when the read fails.
  virtual bool ReadAt(int64_t at, void* into, uint32_t count) const = 0;
};
