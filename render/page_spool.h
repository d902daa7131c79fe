// Coded pages kept in an unnamed temporary file until they are written
// out, so that an export's memory does not grow with its pages. Appends and
// reads may come from several threads.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct SpoolSpan {
  uint64_t offset = 0;
  uint64_t size = 0;
};

class PageSpool {
 public:
  PageSpool() = default;
  ~PageSpool();
  PageSpool(const PageSpool&) = delete;
  PageSpool& operator=(const PageSpool&) = delete;

  // Creates the file in $TMPDIR (else /tmp); false with `error` telling why.
  bool Open(std::string& error);
  // Keeps `bytes`, telling where; false with `error` telling why.
  bool Append(const std::vector<uint8_t>& bytes, SpoolSpan& span, std::string& error);
  // Reads `size` bytes at `offset` of a kept span into `into`.
  bool Read(uint64_t offset, void* into, size_t size, std::string& error) const;

 private:
  int file_ = -1;
  uint64_t end_ = 0;
  std::mutex appending_;
};
