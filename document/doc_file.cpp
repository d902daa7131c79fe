#include "document/doc_file.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

bool OpenDocFile(DocFile& file, const char* path) {
  file = DocFile{};
#if defined(_WIN32)
  HFILE handle = _lopen(path, OF_READ | OF_SHARE_DENY_NONE);
  file.handle = handle == HFILE_ERROR ? -1 : static_cast<intptr_t>(handle);
#else
  file.handle = ::open(path, O_RDONLY);
#endif
  return file.handle != -1;
}

void OpenMemoryDocFile(DocFile& file, const uint8_t* data, int64_t size) {
  file = DocFile{};
  file.inMemory = true;
  file.memory = data;
  file.memorySize = size;
}

void OpenRestoredDocFile(DocFile& file, void (*restore)(DocFile&, int64_t), void* source) {
  file = DocFile{};
  file.inMemory = true;
  file.restore = restore;
  file.restoreSource = source;
}

void OpenStoreDocFile(DocFile& file, ByteStore& store) {
  file = DocFile{};
  file.inMemory = true;
  file.store = &store;
}

void CloseDocFile(DocFile& file) {
  if (file.handle != -1) {
#if defined(_WIN32)
    _lclose(static_cast<HFILE>(file.handle));
#else
    ::close(static_cast<int>(file.handle));
#endif
  }
  file = DocFile{};
}

namespace {

int32_t ReadStore(DocFile& file, void* buffer, uint32_t count) {
  const int64_t there = file.store->Reach(file.memoryPosition + count);
  const int64_t left = there - file.memoryPosition;
  const uint32_t take = left <= 0 ? 0 : left < count ? static_cast<uint32_t>(left) : count;
  if (take > 0 && !file.store->ReadAt(file.memoryPosition, buffer, take)) return -1;
  file.memoryPosition += take;
  return static_cast<int32_t>(take);
}

}  // namespace

int32_t ReadOnce(DocFile& file, void* buffer, uint32_t count) {
  if (file.store != nullptr) return ReadStore(file, buffer, count);
  if (file.inMemory) {
    // The restore refreshes the address too: the bytes may have moved.
    if (file.restore != nullptr) file.restore(file, file.memoryPosition + count);
    int64_t left = file.memorySize - file.memoryPosition;
    if (left < 0) left = 0;
    uint32_t take = left < count ? static_cast<uint32_t>(left) : count;
    if (take > 0) std::memcpy(buffer, file.memory + file.memoryPosition, take);
    file.memoryPosition += take;
    return static_cast<int32_t>(take);
  }
  if (file.handle == -1) return -1;
#if defined(_WIN32)
  UINT got = _lread(static_cast<HFILE>(file.handle), buffer, count);
  return got == static_cast<UINT>(HFILE_ERROR) ? -1 : static_cast<int32_t>(got);
#else
  return static_cast<int32_t>(::read(static_cast<int>(file.handle), buffer, count));
#endif
}

bool GatherRead(DocFile& file, void* buffer, uint32_t count) {
  uint8_t* into = static_cast<uint8_t*>(buffer);
  bool finalAttempt = false;
  while (count > 0) {
    int32_t got = ReadOnce(file, into, count);
    if (got < 0) return false;
    if (got == 0) {
      // The writer may not have written these bytes yet. Once it has ended,
      // one more read takes what it wrote last; after that the file is short.
      if (finalAttempt) return false;
      if (file.writerRunning == nullptr || !file.writerRunning()) finalAttempt = true;
      continue;
    }
    finalAttempt = false;
    into += got;
    count -= static_cast<uint32_t>(got);
  }
  return true;
}

int64_t SeekDocFile(DocFile& file, int64_t offset, int origin) {
  if (file.inMemory) {
    int64_t target = origin == kSeekSet ? offset : file.memoryPosition + offset;
    if (target < 0) return -1;
    file.memoryPosition = target;
    return target;
  }
  if (file.handle == -1) return -1;
#if defined(_WIN32)
  if (offset < INT32_MIN || offset > INT32_MAX) return -1;
  LONG moved = _llseek(static_cast<HFILE>(file.handle), static_cast<LONG>(offset),
                       origin == kSeekSet ? FILE_BEGIN : FILE_CURRENT);
  return moved == HFILE_ERROR ? -1 : static_cast<int64_t>(moved);
#else
  return ::lseek(static_cast<int>(file.handle), offset, origin == kSeekSet ? SEEK_SET : SEEK_CUR);
#endif
}

bool CanRead(DocFile& file, uint64_t count) {
  if (count == 0) return true;
  const int64_t position = SeekDocFile(file, 0, kSeekCurrent);
  if (position < 0 || count > static_cast<uint64_t>(INT64_MAX - position)) return false;
  const int64_t last = position + static_cast<int64_t>(count) - 1;
  uint8_t lastByte;
  const bool there = SeekDocFile(file, last, kSeekSet) == last && GatherRead(file, &lastByte, 1);
  SeekDocFile(file, position, kSeekSet);
  return there;
}
