#include "document/unpack_names.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {
bool Trimmed(char c) { return c == '"' || c == ' '; }

// The name and extension of a full path, after its last separator.
const char* FilePart(const char* fullPath) {
  const char* part = fullPath;
  for (const char* c = fullPath; *c != '\0'; ++c) {
    if (*c == '\\' || *c == '/' || *c == ':') part = c + 1;
  }
  return part;
}

// FNV-1a over the bytes of the path: the same on every platform and build.
uint32_t PathHash(const char* path) {
  constexpr uint32_t kOffsetBasis = 2166136261u;
  constexpr uint32_t kPrime = 16777619u;
  uint32_t hash = kOffsetBasis;
  for (const char* c = path; *c != '\0'; ++c) hash = (hash ^ static_cast<uint8_t>(*c)) * kPrime;
  return hash;
}

bool Formatted(int written, size_t capacity) { return written >= 0 && static_cast<size_t>(written) < capacity; }
}  // namespace

void CleanDocumentPath(char* path) {
  size_t start = 0;
  while (Trimmed(path[start])) ++start;
  size_t length = std::strlen(path + start);
  std::memmove(path, path + start, length + 1);
  while (length > 0 && Trimmed(path[length - 1])) path[--length] = '\0';
}

bool UnpackedFileName(const char* tempDirectory, const char* fullPath, uint32_t processId, char* out,
                      size_t capacity) {
  return Formatted(std::snprintf(out, capacity, "%s%s.%08" PRIx32 ".%" PRIu32 ".bs", tempDirectory,
                                 FilePart(fullPath), PathHash(fullPath), processId),
                   capacity);
}

bool UnpackCommandLine(const char* documentPath, const char* unpackedPath, char* out, size_t capacity) {
  return Formatted(std::snprintf(out, capacity, "durmo.exe x \"%s\" \"%s\"", documentPath, unpackedPath),
                   capacity);
}
