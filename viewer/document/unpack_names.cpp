#include "viewer/document/unpack_names.h"

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

bool Formatted(int written, size_t capacity) { return written >= 0 && static_cast<size_t>(written) < capacity; }
}  // namespace

void CleanDocumentPath(char* path) {
  size_t start = 0;
  while (Trimmed(path[start])) ++start;
  size_t length = std::strlen(path + start);
  std::memmove(path, path + start, length + 1);
  while (length > 0 && Trimmed(path[length - 1])) path[--length] = '\0';
}

bool UnpackedFileName(const char* tempDirectory, const char* fullPath, char* out, size_t capacity) {
  return Formatted(std::snprintf(out, capacity, "%s%s.bs", tempDirectory, FilePart(fullPath)), capacity);
}

bool UnpackCommandLine(const char* documentPath, const char* unpackedPath, char* out, size_t capacity) {
  return Formatted(std::snprintf(out, capacity, "durmo.exe x \"%s\" \"%s\"", documentPath, unpackedPath),
                   capacity);
}
