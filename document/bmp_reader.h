// A plain uncompressed BMP file as a one-page document.
#pragma once

// Reads the BMP file `path` into the page state.
void ReadBmpFile(const char* path);
