// The page loader's reading of a DocFile: a block at a time into a buffer,
// numbers decoded from it, so that a page costs a few read calls rather than
// one per byte. Seeks inside the bytes held move no file position, which
// keeps repeated references to the same spots cheap.
#pragma once

#include <cstdint>

#include "document/doc_file.h"
#include "document/document_layout.h"

constexpr uint32_t kDocReaderBytes = 4096;

struct DocReader {
  DocFile* file = nullptr;
  // Reading ahead stops here (the end of the page being loaded), so that no
  // more of the document is read, or restored, than the page needs; reads
  // that must go past it still do.
  int64_t limit = 0;
  // The file offset of buffer[0]; the file itself stands at start + fill
  // while the reader holds it.
  int64_t start = 0;
  uint32_t fill = 0;
  uint32_t index = 0;  // the next byte to take
  uint8_t buffer[kDocReaderBytes];
};

// Takes the file at its position; false when the position cannot be had.
bool StartDocReader(DocReader& reader, DocFile& file, int64_t limit);
// The offset of the next byte the reader gives.
inline int64_t ReaderPosition(const DocReader& reader) { return reader.start + reader.index; }
// False when the file cannot be positioned there.
bool SeekReader(DocReader& reader, int64_t offset);

// One number, as ReadUnsignedNumber and ReadSignedNumber read it: a failed
// read, or a number of more than 5 bytes, fails with `message`. Most numbers
// of a page are one byte, taken here; the others go through ReadLongNumber.
uint32_t ReadLongNumber(DocReader& reader, const char* message);
inline uint32_t ReadUnsignedFrom(DocReader& reader, const char* message) {
  if (reader.index < reader.fill && reader.buffer[reader.index] < kMoreBytesFollow) return reader.buffer[reader.index++];
  return ReadLongNumber(reader, message);
}
inline int32_t ReadSignedFrom(DocReader& reader, const char* message) {
  return SignedFromNumber(ReadUnsignedFrom(reader, message));
}

// Exactly `count` bytes; false when they cannot all be read.
bool ReadBytesFrom(DocReader& reader, uint8_t* into, uint64_t count);
// Whether `count` more bytes can be read (waiting for a writer as a read
// would), without taking them.
bool ReaderCanRead(DocReader& reader, uint64_t count);
// Moves past `count` bytes; false when the file cannot be positioned.
bool SkipInReader(DocReader& reader, uint64_t count);

// Hands the file back standing at the reader's position (for code that
// reads the file itself), and takes it again from where that code left it.
void ReleaseReader(DocReader& reader);
bool ResumeReader(DocReader& reader);
