// A plain uncompressed BMP file as a one-page document.
#pragma once

#include "document/doc_file.h"
#include "document/host.h"
#include "document/page_state.h"

// Reads the BMP file `path` into `page`.
void ReadBmpFile(PageState& page, DocumentHost& host, const char* path);

// Reads the headers of the BMP file `name` open as `file` into `page` and
// checks that its bits, which follow them, are all there; the file is left
// at the bits.
void ReadBmpHeaders(PageState& page, DocFile& file, const char* name);
