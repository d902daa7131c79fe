#include "document/document_kind.h"

#include <cctype>
#include <cstring>

bool IsPackedDocumentName(const char* path) {
  static const char kExtension[] = "kwen";
  size_t length = std::strlen(path);
  if (length == 0) return false;
  size_t dot = length - 1;
  while (dot > 0 && path[dot] != '.') --dot;
  // Without a dot the search stops at the first character, whatever it is.
  for (size_t i = 0; i < 4; ++i) {
    char c = path[dot + 1 + i];
    if (c == '\0' || std::tolower(static_cast<unsigned char>(c)) != kExtension[i]) return false;
  }
  return true;
}
