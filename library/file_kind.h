// What kind of file a program is given, from its name and first bytes.
#pragma once

#include <cstdint>

enum class FileKind {
  kPacked,    // a packed document, known by its .kwen name
  kUnpacked,  // an unpacked document, known by its label (an old label too: its page table refuses it)
  kBitmap,    // a plain BMP file, known by its type
  kOther,     // nothing this library reads: the caller refuses it in its own words
};

// True when the `size` bytes start with a document's label, current or old.
bool HasDocumentLabel(const uint8_t* bytes, int64_t size);
// The kind of the file named `path` whose bytes are the `size` at `bytes`.
FileKind RecogniseFile(const char* path, const uint8_t* bytes, int64_t size);
