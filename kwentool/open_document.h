// Opens a document for the tool through the library: a packed .kwen
// document (restored in memory as far as the pages read need), an unpacked
// document, or a plain BMP file.
#pragma once

#include <cstdint>
#include <vector>

#include "document/host.h"
#include "library/open_document.h"

struct OpenedDocument : KwenDocument {
  HeapPageHost host;
};

// Reads the label and page table too; throws a DocumentError for bad input,
// and warns when the restoring meets the end of a packed stream cut short.
// Restoring goes no further than the end the page table gives. Any file
// that is not a document is read as a BMP file, whose reader refuses it.
void OpenToolDocument(const char* path, OpenedDocument& document);
// Builds page `index` (from 0) into the document's page.
void BuildToolPage(const char* path, OpenedDocument& document, int32_t index);
// Reads page `index`'s headers and counts its spots, building nothing.
void ScanToolPage(OpenedDocument& document, int32_t index);
// The unpacked document up to the end of its last page; warns when the
// packed data goes on past it.
const std::vector<uint8_t>& UnpackedDocument(OpenedDocument& document);
