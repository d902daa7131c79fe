// Opens a document for the tool through the library's interface: a packed
// .kwen document (restored as far as the pages read need), an unpacked
// document, or a plain BMP file.
#pragma once

#include <cstdint>
#include <vector>

#include "kwen/document.h"

// Reads the file whole (so that a missing or unreadable one is told in the
// tool's words, and kept in `file` when asked) and reads its page table;
// throws a kwen::Error for bad input. Restoring warns when it meets the
// end of a packed stream cut short.
kwen::Document OpenToolDocument(const char* path, std::vector<uint8_t>* file = nullptr);

// The unpacked document: its pages and the text after them, or, when what
// follows the pages cannot be restored (cut short, or a few packed bytes
// going on for gigabytes), the pages alone, with a warning. False when the
// pages themselves do not restore cleanly.
bool RestoreWhole(const kwen::Document& document, const std::vector<uint8_t>& file, std::vector<uint8_t>& restored);

// The window exponent a packed document's header declares (at most 24: no
// compressor writes more).
int DeclaredWindowExponent(const std::vector<uint8_t>& packed);
