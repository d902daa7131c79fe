// Opens a document for the tool: a packed .kwen document (restored in
// memory as far as the pages read need), an unpacked document, or a plain
// BMP file.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/memory_pack.h"
#include "document/doc_file.h"
#include "document/document_state.h"
#include "document/host.h"
#include "document/page_state.h"

struct OpenedDocument {
  bool bitmap = false;          // a plain BMP file: one page, read by ReadBmpFile
  std::vector<uint8_t> file;    // the file's bytes: packed, or the unpacked document
  std::unique_ptr<MemoryUnpack> unpack;  // for a packed document
  DocFile hdoc;
  DocFile hofs;
  DocumentState table;
  PageState page;
  HeapPageHost host;
  ~OpenedDocument();
};

// Reads the label and page table too; throws a DocumentError for bad input,
// and warns when the restoring meets the end of a packed stream cut short.
// Restoring goes no further than the end the page table gives.
void OpenToolDocument(const char* path, OpenedDocument& document);
// Builds page `index` (from 0) into the document's page.
void BuildToolPage(const char* path, OpenedDocument& document, int32_t index);
// Reads page `index`'s headers and counts its spots, building nothing.
void ScanToolPage(OpenedDocument& document, int32_t index);
// The unpacked document up to the end of its last page; warns when the
// packed data goes on past it.
const std::vector<uint8_t>& UnpackedDocument(OpenedDocument& document);
