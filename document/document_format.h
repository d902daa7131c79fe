// Reading the unpacked document's label, page table and numbers through a
// DocFile; the layout itself is in document_layout.h.
#pragma once

#include <cstdint>

#include "document/doc_file.h"
#include "document/document_layout.h"
#include "document/document_state.h"
#include "document/host.h"

// Each reads one number at the file's position, returning the bytes consumed;
// a failed read, or a number of more than 5 bytes, fails with `message`.
int ReadUnsignedNumber(DocFile& file, uint32_t* value, const char* message);
int ReadSignedNumber(DocFile& file, int32_t* value, const char* message);

// Reads and checks the label and the page-size table through `hdoc` and
// turns the sizes into the page count and offsets; sets the current page to
// 0. Has the host close the document before refusing an unknown label.
void ReadDocumentTable(DocumentState& document, DocumentHost& host, DocFile& hdoc);
