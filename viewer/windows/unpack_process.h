// The unpacking of a packed document by the utility, run as a hidden child
// process that writes the unpacked file into the temporary directory while
// the viewer reads it.
#pragma once

#include "document/doc_file.h"
#include "document/unpack_names.h"

extern char szTempFile[kPathBufferBytes];  // this viewer's unpacked file; empty for none
extern DocFile hdoc;  // sequential reading of the label, table and records
extern DocFile hofs;  // positioned freely for the spots a page refers to

// Names the unpacked file for this viewer and this document, deletes a file
// left under that name and starts the utility.
void StartUnpackProcess(const char* documentPath);
// Opens a packed document: the unpacking, both handles, the page table and
// page 0.
void ReadKWENFile(const char* documentPath);
// Ends the child, closes both handles and deletes the unpacked file: on
// every way out of a document. Nothing to do when none is unpacked.
void DiscardUnpackedFile();
