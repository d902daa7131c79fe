#include "tools/kwentool/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

constexpr char kTemporarySuffix[] = ".part";

bool ReplaceFile(const std::string& from, const std::string& to) {
#if defined(_WIN32)
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

}  // namespace

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  const std::string temporary = path + kTemporarySuffix;
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot create " + temporary + ": " + std::strerror(errno);
    return false;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const int writeErrno = errno;
  written = (std::fclose(file) == 0) && written;
  if (!written) {
    error = "cannot write " + temporary + ": " + std::strerror(writeErrno);
  } else if (!ReplaceFile(temporary, path)) {
    error = "cannot replace " + path + ": " + std::strerror(errno);
    written = false;
  }
  if (!written) std::remove(temporary.c_str());
  return written;
}
