#include "tools/kwentool/output_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "utility/platform_io.h"

namespace {

constexpr char kTemporarySuffix[] = ".part";

bool ReplaceFile(const std::string& from, const std::string& to) {
#if defined(_WIN32)
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

// The file a name stands for: a link is followed to what it points at, so
// that replacing the file keeps the link.
std::string FileBehind(const std::string& path) {
#if defined(_WIN32)
  return path;
#else
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
#endif
}

// True when the name is taken by something that is not a regular file.
bool IsSpecialFile(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode);
}

bool WriteStream(const std::string& path, const char* mode, const std::vector<OutputPart>& parts, std::string& error) {
  FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  bool written = true;
  for (const OutputPart& part : parts) {
    written = written && std::fwrite(part.data, 1, part.size, file) == part.size;
  }
  int writeErrno = errno;
  // A small file may fail only when the stream's buffer goes out on closing.
  if (std::fclose(file) != 0 && written) {
    writeErrno = errno;
    written = false;
  }
  if (!written) error = "cannot write " + path + ": " + std::strerror(writeErrno);
  return written;
}

}  // namespace

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  return WriteWholeFile(path, {OutputPart{bytes.data(), bytes.size()}}, error);
}

bool WriteWholeFile(const std::string& path, const std::vector<OutputPart>& parts, std::string& error) {
  const std::string target = FileBehind(path);
  if (IsSpecialFile(target)) return WriteStream(target, "wb", parts, error);
  const std::string temporary = target + kTemporarySuffix;
  bool written = WriteStream(temporary, "wb", parts, error);
  if (written && !ReplaceFile(temporary, target)) {
    error = "cannot replace " + target + ": " + std::strerror(errno);
    written = false;
  }
  if (!written) std::remove(temporary.c_str());
  return written;
}

bool IsOutputTheDocument(const char* docPath, const std::string& outPath) {
  if (!IsSameFile(docPath, outPath.c_str())) return false;
  std::fprintf(stderr, "kwentool: %s is the document itself: it would be replaced\n", outPath.c_str());
  return true;
}
