#include "render/page_spool.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

std::string SystemReason() { return std::strerror(errno); }

}  // namespace

PageSpool::~PageSpool() {
  if (file_ >= 0) ::close(file_);
}

bool PageSpool::Open(std::string& error) {
  const char* folder = std::getenv("TMPDIR");
  std::string name = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/kwen-pdf-XXXXXX";
  file_ = ::mkstemp(name.data());
  if (file_ < 0) {
    error = "no temporary file for the coded pages in " + name.substr(0, name.rfind('/')) + ": " + SystemReason();
    return false;
  }
  // Gone from the folder at once: it ends with its descriptor.
  ::unlink(name.c_str());
  return true;
}

bool PageSpool::Append(const std::vector<uint8_t>& bytes, SpoolSpan& span, std::string& error) {
  std::lock_guard<std::mutex> lock(appending_);
  span = SpoolSpan{end_, bytes.size()};
  const uint8_t* from = bytes.data();
  size_t left = bytes.size();
  uint64_t at = end_;
  while (left > 0) {
    const ssize_t put = ::pwrite(file_, from, left, static_cast<off_t>(at));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      error = "the coded pages cannot be kept in a temporary file: " + SystemReason();
      return false;
    }
    from += put;
    at += static_cast<uint64_t>(put);
    left -= static_cast<size_t>(put);
  }
  end_ = at;
  return true;
}

bool PageSpool::Read(uint64_t offset, void* into, size_t size, std::string& error) const {
  uint8_t* to = static_cast<uint8_t*>(into);
  while (size > 0) {
    const ssize_t got = ::pread(file_, to, size, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      error = "the coded pages cannot be read back from their temporary file: " +
              (got == 0 ? std::string("it is shorter than written") : SystemReason());
      return false;
    }
    to += got;
    offset += static_cast<uint64_t>(got);
    size -= static_cast<size_t>(got);
  }
  return true;
}
