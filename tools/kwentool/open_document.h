// Opens a document for the tool: a packed .kwen document (restored in
// memory), an unpacked document, or a plain BMP file.
#pragma once

#include <cstdint>
#include <vector>

#include "viewer/document/doc_file.h"

struct OpenedDocument {
  bool bitmap = false;  // a plain BMP file: one page, read by ReadBmpFile
  std::vector<uint8_t> bytes;  // the unpacked document
  DocFile hdoc;
  DocFile hofs;
};

// Reads the label and page table too; fails with a message for bad input.
void OpenToolDocument(const char* path, OpenedDocument& document);
// Builds page `index` (from 0) into the page state.
void BuildToolPage(const char* path, OpenedDocument& document, int32_t index);
