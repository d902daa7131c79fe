// The unpacking of a packed document by the utility, run as a hidden child
// process that writes the unpacked file into the temporary directory while
// the viewer reads it.
#pragma once

#include "document/unpack_names.h"

extern char szTempFile[kPathBufferBytes];  // this viewer's unpacked file; empty for none

// Names the unpacked file for this viewer and this document, deletes a file
// left under that name and starts the utility.
void StartUnpackProcess(const char* documentPath);
// Opens a packed document: the unpacking, the unpacked file as it grows, its
// page table and page 0.
void ReadKWENFile(const char* documentPath);
// Ends the child, closes the unpacked file and deletes it: on
// every way out of a document. Nothing to do when none is unpacked.
void DiscardUnpackedFile();
