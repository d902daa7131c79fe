#include "library/file_store.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include "document/document_error.h"
#include "library/parallel.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#if defined(_WIN32)
using Handle = HANDLE;

Handle OpenHandle(const std::string& path) {
  // Shared with the program writing it, which may also remove it.
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw DocumentError(path + " cannot be opened for reading");
  return file;
}

void CloseHandleOf(Handle file) { CloseHandle(file); }

int64_t SizeOf(Handle file) {
  LARGE_INTEGER size;
  return GetFileSizeEx(file, &size) ? static_cast<int64_t>(size.QuadPart) : -1;
}

bool ReadFileAt(Handle file, int64_t at, uint8_t* into, uint32_t count) {
  while (count > 0) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(at);
    where.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(at) >> 32);
    DWORD got = 0;
    if (!ReadFile(file, into, count, &got, &where) || got == 0) return false;
    into += got;
    at += got;
    count -= got;
  }
  return true;
}
#else
using Handle = int;

Handle OpenHandle(const std::string& path) {
  const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) throw DocumentError(path + " cannot be read: " + std::strerror(errno));
  return file;
}

void CloseHandleOf(Handle file) { ::close(file); }

int64_t SizeOf(Handle file) {
  struct stat facts;
  return ::fstat(file, &facts) == 0 ? static_cast<int64_t>(facts.st_size) : -1;
}

bool ReadFileAt(Handle file, int64_t at, uint8_t* into, uint32_t count) {
  while (count > 0) {
    const ssize_t got = ::pread(file, into, count, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    into += got;
    at += got;
    count -= static_cast<uint32_t>(got);
  }
  return true;
}
#endif

class FileStore : public ByteStore {
 public:
  FileStore(Handle file, std::function<bool()> writerRunning)
      : file_(file), writerRunning_(std::move(writerRunning)), size_(SizeOf(file)) {}
  ~FileStore() override { CloseHandleOf(file_); }

  // A file being written is looked at again until it holds the bytes or
  // its writer has ended; one more look then takes what it wrote last.
  int64_t Reach(int64_t wanted) override {
    int64_t size = size_.load(std::memory_order_acquire);
    if (size >= wanted || !writerRunning_) return size;
    std::lock_guard<Lock> hold(lock_);
    for (bool finalLook = false;;) {
      const int64_t now = SizeOf(file_);
      if (now > size) size = now;
      if (size >= wanted || finalLook) break;
      finalLook = !writerRunning_();
    }
    size_.store(size, std::memory_order_release);
    return size;
  }

  bool ReadAt(int64_t at, void* into, uint32_t count) const override {
    return ReadFileAt(file_, at, static_cast<uint8_t*>(into), count);
  }

 private:
  Handle file_;
  std::function<bool()> writerRunning_;
  std::atomic<int64_t> size_;
  Lock lock_;
};

}  // namespace

std::unique_ptr<ByteStore> OpenFileStore(const std::string& path, std::function<bool()> writerRunning) {
  const Handle file = OpenHandle(path);
  if (SizeOf(file) < 0) {
    CloseHandleOf(file);
    throw DocumentError(path + " cannot be read: its size is unknown");
  }
  return std::make_unique<FileStore>(file, std::move(writerRunning));
}
