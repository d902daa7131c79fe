// A file's bytes as one block: mapped where the system maps files (so that
// a large file costs no memory until it is read), else read whole; or bytes
// the caller handed over.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class SourceBytes {
 public:
  // Throws a DocumentError, in plain words, when the file cannot be read.
  explicit SourceBytes(const std::string& path);
  explicit SourceBytes(std::vector<uint8_t> bytes);
  SourceBytes(const SourceBytes&) = delete;
  SourceBytes& operator=(const SourceBytes&) = delete;
  ~SourceBytes();

  // Bytes handed over later, as a download brings them (not for a file).
  // Data() may move: its readers must not run meanwhile.
  void Append(const uint8_t* bytes, size_t count);

  const uint8_t* Data() const { return data_; }
  int64_t Size() const { return size_; }
  // The bytes before `offset` will not be read again: a mapping lets the
  // system take back their memory.
  void PassedUpTo(int64_t offset) const;

 private:
  std::vector<uint8_t> owned_;
  const uint8_t* data_ = nullptr;
  int64_t size_ = 0;
  [[maybe_unused]] bool mapped_ = false;  // never where files are read whole
};
