// The names of an unpacking: the unpacked file in the temporary directory
// and the utility's command line.
#pragma once

#include <cstddef>

constexpr size_t kPathBufferBytes = 1024;  // every path buffer of the viewer

// Cleans a document path in place: leading and trailing double quotes and
// blanks go, so a whole command-line tail is one path.
void CleanDocumentPath(char* path);

// The temporary directory, the file part of the document's full path, then
// ".bs". False when that does not fit `capacity` bytes with its terminator.
bool UnpackedFileName(const char* tempDirectory, const char* fullPath, char* out, size_t capacity);

// durmo.exe x "<document path>" "<unpacked path>"; false when it does not fit.
bool UnpackCommandLine(const char* documentPath, const char* unpackedPath, char* out, size_t capacity);
