#include "library/byte_stores.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "document/document_error.h"
#include "engine/bit_file.h"
#include "engine/fail.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#define KWEN_POSITIONED_READS 1
#endif

namespace {

// Restored bytes are kept in pieces of this size, which never move.
constexpr int64_t kPieceBytes = int64_t{1} << 20;
// The most a restore may hold: its limit is below 2 GiB.
constexpr int64_t kMostPieces = (int64_t{1} << 31) / kPieceBytes;
// A restore asked for a few bytes goes on a little further: readers ask in
// small steps, each of which would otherwise take the lock.
constexpr int64_t kRestoreStep = int64_t{1} << 16;
// Bytes gathered before a write to the temporary file.
constexpr size_t kFileWriteBytes = size_t{1} << 20;
// Packed bits a stream that runs out may leave unread: the start of the
// code it could not finish.
constexpr uint64_t kUnfinishedCodeBits = 64;

#if defined(KWEN_POSITIONED_READS)
bool ReadFileAt(int file, int64_t at, void* into, uint32_t count) {
  uint8_t* to = static_cast<uint8_t*>(into);
  while (count > 0) {
    const ssize_t got = ::pread(file, to, count, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    to += got;
    at += got;
    count -= static_cast<uint32_t>(got);
  }
  return true;
}

bool WriteFile(int file, const uint8_t* bytes, size_t count) {
  while (count > 0) {
    const ssize_t put = ::write(file, bytes, count);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes += put;
    count -= static_cast<size_t>(put);
  }
  return true;
}

// A temporary file that disappears with its last descriptor; -1 when none
// can be made.
int MakeTemporaryFile() {
  const char* folder = std::getenv("TMPDIR");
  std::string name = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/kwen-restored-XXXXXX";
  const int file = ::mkstemp(name.data());
  if (file >= 0) ::unlink(name.c_str());
  return file;
}
#endif

}  // namespace

bool MemoryStore::ReadAt(int64_t at, void* into, uint32_t count) const {
  std::memcpy(into, bytes_->Data() + at, count);
  return true;
}

RestoreStore::RestoreStore(std::shared_ptr<SourceBytes> packed, bool toFile, bool arriving,
                           std::function<void(const std::string&)> warning)
    : packed_(std::move(packed)), warning_(std::move(warning)) {
#if defined(KWEN_POSITIONED_READS)
  if (toFile) {
    file_ = MakeTemporaryFile();
    if (file_ < 0) throw DocumentError(std::string("No temporary file for the restored document: ") + std::strerror(errno));
  }
#else
  (void)toFile;
#endif
  if (file_ < 0) pieces_.resize(kMostPieces);
  ByteSink sink;
  sink.append = Receive;
  sink.receiver = this;
  try {
    StartUnpack(unpack_, packed_->Data(), static_cast<uint64_t>(packed_->Size()), INT32_MAX, sink);
    if (arriving) ExtendUnpack(unpack_, packed_->Data(), static_cast<uint64_t>(packed_->Size()), false);
  } catch (const EngineFailure& failure) {
    ReleaseUnpack(unpack_);
    throw DocumentError(failure.reason());
  }
  if (!unpack_.result.hasHeader) {
    ReleaseUnpack(unpack_);
    throw DocumentError("Unpack file error");
  }
}

RestoreStore::~RestoreStore() {
  ReleaseUnpack(unpack_);
#if defined(KWEN_POSITIONED_READS)
  if (file_ >= 0) ::close(file_);
#endif
}

void RestoreStore::Receive(void* self, const uint8_t* bytes, size_t count) {
  static_cast<RestoreStore*>(self)->Keep(bytes, count);
}

void RestoreStore::Keep(const uint8_t* bytes, size_t count) {
  if (!failure_.empty()) return;
  if (file_ >= 0) {
    unwritten_.insert(unwritten_.end(), bytes, bytes + count);
    kept_ += static_cast<int64_t>(count);
    if (unwritten_.size() >= kFileWriteBytes) Publish();
    return;
  }
  while (count > 0) {
    const int64_t piece = kept_ / kPieceBytes;
    const int64_t offset = kept_ % kPieceBytes;
    if (!pieces_[piece]) {
      pieces_[piece].reset(new (std::nothrow) uint8_t[kPieceBytes]);
      if (!pieces_[piece]) {
        failure_ = "Not enough memory for the restored document";
        return;
      }
    }
    const size_t take = std::min(count, static_cast<size_t>(kPieceBytes - offset));
    std::memcpy(pieces_[piece].get() + offset, bytes, take);
    bytes += take;
    count -= take;
    kept_ += static_cast<int64_t>(take);
  }
}

// Writes what is gathered out to the file; the bytes kept become readable.
void RestoreStore::Publish() {
#if defined(KWEN_POSITIONED_READS)
  if (file_ >= 0 && !unwritten_.empty() && failure_.empty()) {
    if (!WriteFile(file_, unwritten_.data(), unwritten_.size())) {
      failure_ = std::string("The temporary file of the restored document cannot be written: ") + std::strerror(errno);
      return;
    }
    unwritten_.clear();
  }
#endif
  if (failure_.empty()) there_.store(kept_, std::memory_order_release);
}

int64_t RestoreStore::Reach(int64_t wanted) {
  const int64_t there = there_.load(std::memory_order_acquire);
  if (there >= wanted) return there;
  std::lock_guard<Lock> hold(lock_);
  if (wanted > limit_) wanted = limit_;
  const int64_t step = wanted - there < kRestoreStep ? there + kRestoreStep : wanted;
  if (failure_.empty()) {
    try {
      const bool wasCut = unpack_.result.end == DecodeEnd::kCutShort;
      ContinueUnpack(unpack_, step < limit_ ? step : limit_);
      if (!wasCut && unpack_.result.end == DecodeEnd::kCutShort && warning_) {
        warning_("the packed data ended before its end mark");
      }
    } catch (const EngineFailure& failure) {
      failure_ = failure.reason();  // the restore cannot go on from where it stopped
    }
  }
  Publish();
  if (!failure_.empty()) throw DocumentError(failure_);
  packed_->PassedUpTo(static_cast<int64_t>(BitsConsumed(unpack_.packed) / 8));
  return there_.load(std::memory_order_acquire);
}

bool RestoreStore::ReadAt(int64_t at, void* into, uint32_t count) const {
#if defined(KWEN_POSITIONED_READS)
  if (file_ >= 0) return ReadFileAt(file_, at, into, count);
#endif
  uint8_t* to = static_cast<uint8_t*>(into);
  while (count > 0) {
    const uint8_t* piece = pieces_[at / kPieceBytes].get();
    const int64_t offset = at % kPieceBytes;
    const uint32_t take = static_cast<uint32_t>(std::min<int64_t>(count, kPieceBytes - offset));
    std::memcpy(to, piece + offset, take);
    to += take;
    at += take;
    count -= take;
  }
  return true;
}

void RestoreStore::SetEnd(int64_t documentBytes) {
  std::lock_guard<Lock> hold(lock_);
  documentBytes_ = limit_ = documentBytes;
  SetUnpackLimit(unpack_, documentBytes);
}

void RestoreStore::Arrive(const uint8_t* bytes, size_t count, bool complete) {
  std::lock_guard<Lock> hold(lock_);
  packed_->Append(bytes, count);
  ExtendUnpack(unpack_, packed_->Data(), static_cast<uint64_t>(packed_->Size()), complete);
}

void RestoreStore::AllowPast(int64_t limit) {
  std::lock_guard<Lock> hold(lock_);
  if (limit <= limit_) return;
  limit_ = limit;
  SetUnpackLimit(unpack_, limit);
}

DecodeEnd RestoreStore::StreamEnd() const {
  std::lock_guard<Lock> hold(lock_);
  return unpack_.result.end;
}

RestoreEnd RestoreStore::Ending() const {
  std::lock_guard<Lock> hold(lock_);
  if (there_.load(std::memory_order_acquire) >= documentBytes_) return RestoreEnd::kWhole;
  const DecodeEnd end = unpack_.result.end;
  if (end == DecodeEnd::kNone || end == DecodeEnd::kPaused) return RestoreEnd::kGoing;
  if (end == DecodeEnd::kOverLimit) return RestoreEnd::kTooLarge;
  const bool ranOut = BitsConsumed(unpack_.packed) + kUnfinishedCodeBits >= unpack_.packedSize * 8;
  return end == DecodeEnd::kCutShort && ranOut ? RestoreEnd::kCutShort : RestoreEnd::kDamaged;
}
