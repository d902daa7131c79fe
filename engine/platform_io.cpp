#include "engine/platform_io.h"

#include <sys/stat.h>
#include <sys/types.h>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#if defined(_WIN32)

int OpenBinaryFile(const char* name) { return _open(name, _O_RDONLY | _O_BINARY); }

int ReadDescriptor(int descriptor, void* buffer, unsigned count) {
  return _read(descriptor, buffer, count);
}

void CloseDescriptor(int descriptor) { _close(descriptor); }

bool QueryFileSize(const char* name, int64_t* size) {
  struct _stati64 status;
  if (_stati64(name, &status) != 0) return false;
  *size = status.st_size;
  return true;
}

bool IsDirectory(const char* name) {
  struct _stati64 status;
  return _stati64(name, &status) == 0 && (status.st_mode & _S_IFDIR) != 0;
}

// Opened for its attributes only, sharing everything, so that a file another
// program holds open (or a directory) is still identified.
static bool QueryFileIdentity(const char* name, BY_HANDLE_FILE_INFORMATION* information) {
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE handle =
      CreateFileA(name, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool known = GetFileInformationByHandle(handle, information) != 0;
  CloseHandle(handle);
  return known;
}

bool IsSameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION first, second;
  return QueryFileIdentity(a, &first) && QueryFileIdentity(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

FILE* OpenSourceStream(const char* name) { return std::fopen(name, "rb"); }

#else

int OpenBinaryFile(const char* name) { return ::open(name, O_RDONLY); }

int ReadDescriptor(int descriptor, void* buffer, unsigned count) {
  return static_cast<int>(::read(descriptor, buffer, count));
}

void CloseDescriptor(int descriptor) { ::close(descriptor); }

bool QueryFileSize(const char* name, int64_t* size) {
  struct stat status;
  if (::stat(name, &status) != 0) return false;
  *size = status.st_size;
  return true;
}

bool IsDirectory(const char* name) {
  struct stat status;
  return ::stat(name, &status) == 0 && S_ISDIR(status.st_mode);
}

bool IsSameFile(const char* a, const char* b) {
  struct stat first, second;
  return ::stat(a, &first) == 0 && ::stat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

FILE* OpenSourceStream(const char* name) {
  FILE* stream = std::fopen(name, "rb");
  if (stream == nullptr) return nullptr;
  struct stat status;
  if (::fstat(fileno(stream), &status) != 0 || S_ISDIR(status.st_mode)) {
    std::fclose(stream);
    return nullptr;
  }
  return stream;
}

#endif
