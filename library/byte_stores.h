// The byte stores documents are read from: bytes in memory, a file read by
// position, and a packed document restored as far as its readers ask.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "document/byte_store.h"
#include "engine/memory_pack.h"
#include "library/parallel.h"
#include "library/source_bytes.h"

class MemoryStore : public ByteStore {
 public:
  explicit MemoryStore(std::shared_ptr<const SourceBytes> bytes) : bytes_(std::move(bytes)) {}
  int64_t Reach(int64_t) override { return bytes_->Size(); }
  bool ReadAt(int64_t at, void* into, uint32_t count) const override;

 private:
  std::shared_ptr<const SourceBytes> bytes_;
};

// How a restore that can go no further ended.
enum class RestoreEnd {
  kGoing,     // it has not: more can be restored
  kWhole,     // the whole document is there
  kTooLarge,  // it restores to more than the restore's limit
  kCutShort,  // the packed data ran out: the file is cut short
  kDamaged,   // a code that makes no sense, or an early end mark
};

class RestoreStore : public ByteStore {
 public:
  // Restores `packed` (kept alive here) into memory, or into a temporary
  // file when `toFile` (where the system has them). Throws a DocumentError
  // for a packed stream without a header. An `arriving` stream is not all
  // there yet: Arrive() brings the rest.
  RestoreStore(std::shared_ptr<SourceBytes> packed, bool toFile, bool arriving,
               std::function<void(const std::string&)> warning);
  ~RestoreStore() override;
  int64_t Reach(int64_t wanted) override;
  bool ReadAt(int64_t at, void* into, uint32_t count) const override;

  // Nothing past `documentBytes`, the end of the last page, is restored...
  void SetEnd(int64_t documentBytes);
  // More packed bytes; `complete` when no more will come.
  void Arrive(const uint8_t* bytes, size_t count, bool complete);
  // ... until a reader of what is stored after the pages lets the restore
  // go on to `limit` bytes in all.
  void AllowPast(int64_t limit);
  // How the packed stream ended once restored as far as it was let go.
  DecodeEnd StreamEnd() const;
  int64_t Restored() const { return there_.load(std::memory_order_acquire); }
  RestoreEnd Ending() const;

 private:
  static void Receive(void* self, const uint8_t* bytes, size_t count);
  void Keep(const uint8_t* bytes, size_t count);
  void Publish();

  std::shared_ptr<SourceBytes> packed_;  // grows, under the lock, while arriving
  std::function<void(const std::string&)> warning_;
  mutable Lock lock_;
  MemoryUnpack unpack_;
  int64_t documentBytes_ = INT64_MAX;
  int64_t limit_ = INT64_MAX;  // the most that may be restored
  std::atomic<int64_t> there_{0};  // bytes readers may read
  int64_t kept_ = 0;               // bytes received
  std::string failure_;            // why keeping the bytes failed
  // In memory: fixed pieces that never move, so readers need no lock.
  std::vector<std::unique_ptr<uint8_t[]>> pieces_;
  // In a temporary file: what is not yet written to it.
  int file_ = -1;
  std::vector<uint8_t> unwritten_;
};
