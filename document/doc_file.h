// The document as the loader reads it: a file that another process may still
// be writing, or bytes in memory. Reads gather exactly what is asked for.
#pragma once

#include <cstdint>

#include "document/byte_store.h"

struct DocFile {
  intptr_t handle = -1;  // the platform's file handle; -1 none
  bool inMemory = false;
  const uint8_t* memory = nullptr;
  int64_t memorySize = 0;
  int64_t memoryPosition = 0;
  // For bytes restored as they are needed: makes the bytes up to `wanted`
  // available as far as there are any, and sets memory and memorySize.
  void (*restore)(DocFile& file, int64_t wanted) = nullptr;
  void* restoreSource = nullptr;
  // Bytes shared with other readers, read at this file's own position.
  ByteStore* store = nullptr;
  // For a file being written: true while the writer may still add bytes;
  // each call may wait a little. Null means the file is complete.
  bool (*writerRunning)() = nullptr;
};

constexpr int kSeekSet = 0;
constexpr int kSeekCurrent = 1;

// Opens a file read-only, shared with a writer; false when it cannot be opened.
bool OpenDocFile(DocFile& file, const char* path);
void OpenMemoryDocFile(DocFile& file, const uint8_t* data, int64_t size);
void OpenRestoredDocFile(DocFile& file, void (*restore)(DocFile&, int64_t), void* source);
void OpenStoreDocFile(DocFile& file, ByteStore& store);
void CloseDocFile(DocFile& file);

// Reads exactly `count` bytes, repeating short reads while the writer runs.
// False on a failing read, or when the file has ended short of `count`.
bool GatherRead(DocFile& file, void* buffer, uint32_t count);
// One read: the count delivered, or -1.
int32_t ReadOnce(DocFile& file, void* buffer, uint32_t count);
// True when `count` more bytes can be read from the position (waiting for
// a writer as a read would); the position is kept. Lets a reader check that
// the bytes are there before it sets aside memory for them.
bool CanRead(DocFile& file, uint64_t count);
// The new position, or -1.
int64_t SeekDocFile(DocFile& file, int64_t offset, int origin);
