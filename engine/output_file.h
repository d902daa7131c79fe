// The one way every program of the kit writes a file for the user.
//
// A regular file, or a name not yet taken, is written to a temporary created
// exclusively beside it (never through a link, never an existing file),
// checked, and renamed over the name once complete, so the name never holds
// a half-written file and an older file keeps its bytes on any failure. A
// link to a file replaces the file it points at and stays a link. A device
// or a pipe is written directly and never replaced. A temporary never
// outlives its program: it is removed on failure, on exit and on SIGINT,
// SIGTERM or SIGHUP (Ctrl+C on Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class OutputFile {
 public:
  // How a name not yet taken is written.
  enum class NewName {
    kTemporary,  // through a temporary, like any regular file
    // Created exclusively and written where it stands, so that another
    // program can read it as it grows; removed again on failure.
    kInPlace,
  };

  OutputFile() = default;
  ~OutputFile();  // discards whatever was not committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // False, with error() telling why in plain words, when nothing can be
  // written under `path`.
  bool Open(const std::string& path, NewName newName = NewName::kTemporary);
  // Every byte or false; after a failure every later write is false too.
  bool Write(const void* data, size_t size);
  // Checks the writes, closes, and puts the file under its name. False,
  // with error() set, when anything failed: the name then keeps what it had.
  bool Commit();
  // Drops the output: a temporary or a file this object created goes.
  void Discard();

  // The open descriptor, for writers that need one (-1 when not open).
  int descriptor() const { return descriptor_; }
  // True when the output is a device or pipe written directly.
  bool direct() const { return direct_; }
  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

 private:
  bool Fail(const std::string& what, int errorNumber);
  void Forget();

  std::string path_;       // the name the user gave
  std::string target_;     // the file that receives the bytes in the end
  std::string temporary_;  // where the bytes go first; empty when written directly
  std::string created_;    // a file this object created and must remove on failure
  std::string error_;
  int descriptor_ = -1;
  int cleanupSlot_ = -1;
  bool direct_ = false;
  bool failed_ = false;
};

// A run of bytes of a file written in parts.
struct OutputPart {
  const void* data;
  size_t size;
};

// A whole file from parts in order, where they lie (a page's bitmap need
// not be copied into one block first). False with `error` telling why.
bool WriteWholeFile(const std::string& path, const std::vector<OutputPart>& parts, std::string& error);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
