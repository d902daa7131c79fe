// The names of an unpacking: the unpacked file in the temporary directory
// and the utility's command line.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kPathBufferBytes = 1024;  // every path buffer of the viewer

// Cleans a document path in place: leading and trailing double quotes and
// blanks go, so a whole command-line tail is one path.
void CleanDocumentPath(char* path);

// The unpacked file of one viewer and one document: the temporary directory,
// the file part of the document's full path, the FNV-1a hash of the full path
// in eight hex digits, the viewer's process id, then ".bs", as in
// "C:\TEMP\book.kwen.1a2b3c4d.1234.bs". Two documents of one name in two
// folders, or one document in two viewers, never share a file. False when
// the name does not fit `capacity` bytes with its terminator.
bool UnpackedFileName(const char* tempDirectory, const char* fullPath, uint32_t processId, char* out,
                      size_t capacity);

// durmo.exe x "<document path>" "<unpacked path>"; false when it does not fit.
bool UnpackCommandLine(const char* documentPath, const char* unpackedPath, char* out, size_t capacity);
