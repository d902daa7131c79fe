// A plain uncompressed BMP file as a one-page document.
#pragma once

#include "document/host.h"
#include "document/page_state.h"

// Reads the BMP file `path` into `page`.
void ReadBmpFile(PageState& page, DocumentHost& host, const char* path);
