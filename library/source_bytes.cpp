#include "library/source_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "document/document_error.h"

#if defined(_WIN32) || defined(__EMSCRIPTEN__)
#define KWEN_READ_WHOLE 1
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

[[noreturn]] void Unreadable(const std::string& path, const char* why) {
  throw DocumentError(path + " cannot be read: " + why);
}

}  // namespace

SourceBytes::SourceBytes(std::vector<uint8_t> bytes) : owned_(std::move(bytes)) {
  data_ = owned_.data();
  size_ = static_cast<int64_t>(owned_.size());
}

void SourceBytes::Append(const uint8_t* bytes, size_t count) {
  owned_.insert(owned_.end(), bytes, bytes + count);
  data_ = owned_.data();
  size_ = static_cast<int64_t>(owned_.size());
}

#if defined(KWEN_READ_WHOLE)

SourceBytes::SourceBytes(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) Unreadable(path, std::strerror(errno));
  uint8_t piece[1 << 16];
  size_t got;
  while ((got = std::fread(piece, 1, sizeof piece, file)) > 0) owned_.insert(owned_.end(), piece, piece + got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) Unreadable(path, "a read failed");
  data_ = owned_.data();
  size_ = static_cast<int64_t>(owned_.size());
}

SourceBytes::~SourceBytes() = default;

void SourceBytes::PassedUpTo(int64_t) const {}

#else

SourceBytes::SourceBytes(const std::string& path) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) Unreadable(path, std::strerror(errno));
  struct stat facts;
  if (::fstat(descriptor, &facts) != 0 || !S_ISREG(facts.st_mode)) {
    ::close(descriptor);
    Unreadable(path, "it is not a file");
  }
  size_ = static_cast<int64_t>(facts.st_size);
  if (size_ > 0) {
    void* mapping = ::mmap(nullptr, static_cast<size_t>(size_), PROT_READ, MAP_PRIVATE, descriptor, 0);
    if (mapping == MAP_FAILED) {
      const int mapError = errno;
      ::close(descriptor);
      Unreadable(path, std::strerror(mapError));
    }
    data_ = static_cast<const uint8_t*>(mapping);
    mapped_ = true;
  }
  ::close(descriptor);
}

SourceBytes::~SourceBytes() {
  if (mapped_) ::munmap(const_cast<uint8_t*>(data_), static_cast<size_t>(size_));
}

void SourceBytes::PassedUpTo(int64_t offset) const {
  if (!mapped_) return;
  const int64_t page = ::sysconf(_SC_PAGESIZE);
  const int64_t whole = offset / page * page;
  if (whole > 0) ::madvise(const_cast<uint8_t*>(data_), static_cast<size_t>(whole), MADV_DONTNEED);
}

#endif
