#include "input/file_bytes.h"

#include <cstdio>

FileRead ReadFileBytes(const char* path, std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return FileRead::kNotOpened;
  uint8_t chunk[1 << 16];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  return failed ? FileRead::kNotRead : FileRead::kDone;
}
