// Writes a whole output file so that the name never holds a half-written
// one and nothing the user had is lost to a failed write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A regular file, or a name not yet taken, gets a temporary file beside it
// (beside the file a link points at) that replaces it once complete. A
// device or a pipe is written directly and never removed. False, with
// `error` telling why, when the bytes could not be written; any file
// already under the name then keeps its bytes.
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// A run of bytes of a file written in parts.
struct OutputPart {
  const void* data;
  size_t size;
};

// The same for a file written from parts in order, where they lie: a large
// part (a page's bitmap) need not be copied into one block first.
bool WriteWholeFile(const std::string& path, const std::vector<OutputPart>& parts, std::string& error);

// True, with a message on standard error, when the output is the document
// itself under any name or through a link: writing it would replace it.
bool IsOutputTheDocument(const char* docPath, const std::string& outPath);
