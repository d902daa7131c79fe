#include "document/doc_reader.h"

#include <cstring>

#include "document/document_error.h"

namespace {

uint32_t Held(const DocReader& reader) { return reader.fill - reader.index; }

// Moves the buffer on to the bytes after those held and reads at least one
// more, as many as are there up to the buffer's size or the limit, waiting
// for a writer as GatherRead does. False when the file has no more.
bool Refill(DocReader& reader) {
  reader.start += reader.fill;
  reader.fill = 0;
  reader.index = 0;
  const int64_t beforeLimit = reader.limit - reader.start;
  const uint32_t count = beforeLimit > 0 && beforeLimit < kDocReaderBytes ? static_cast<uint32_t>(beforeLimit)
                                                                          : kDocReaderBytes;
  bool finalAttempt = false;
  for (;;) {
    const int32_t got = ReadOnce(*reader.file, reader.buffer, count);
    if (got < 0) return false;
    if (got > 0) {
      reader.fill = static_cast<uint32_t>(got);
      return true;
    }
    if (finalAttempt) return false;
    if (reader.file->writerRunning == nullptr || !reader.file->writerRunning()) finalAttempt = true;
  }
}

}  // namespace

bool StartDocReader(DocReader& reader, DocFile& file, int64_t limit) {
  reader.file = &file;
  reader.limit = limit;
  reader.start = SeekDocFile(file, 0, kSeekCurrent);
  reader.fill = 0;
  reader.index = 0;
  return reader.start >= 0;
}

bool SeekReader(DocReader& reader, int64_t offset) {
  if (offset >= reader.start && offset <= reader.start + reader.fill) {
    reader.index = static_cast<uint32_t>(offset - reader.start);
    return true;
  }
  reader.fill = 0;
  reader.index = 0;
  reader.start = SeekDocFile(*reader.file, offset, kSeekSet);
  if (reader.start == offset) return true;
  reader.start = SeekDocFile(*reader.file, 0, kSeekCurrent);
  return false;
}

uint32_t ReadLongNumber(DocReader& reader, const char* message) {
  uint32_t value;
  int count;
  if (Held(reader) >= kLongestNumber) {
    count = DecodeUnsignedNumber([&reader] { return reader.buffer[reader.index++]; }, &value);
  } else {
    count = DecodeUnsignedNumber(
        [&reader, message] {
          if (reader.index == reader.fill && !Refill(reader)) throw DocumentError(message);
          return reader.buffer[reader.index++];
        },
        &value);
  }
  if (count == 0) throw DocumentError(message);
  return value;
}

bool ReadBytesFrom(DocReader& reader, uint8_t* into, uint64_t count) {
  while (count > 0) {
    if (Held(reader) == 0) {
      // What the buffer cannot hold goes straight to its place.
      if (count >= kDocReaderBytes) {
        reader.start += reader.fill;
        reader.fill = 0;
        reader.index = 0;
        if (count > UINT32_MAX || !GatherRead(*reader.file, into, static_cast<uint32_t>(count))) return false;
        reader.start += static_cast<int64_t>(count);
        return true;
      }
      if (!Refill(reader)) return false;
    }
    const uint32_t take = count < Held(reader) ? static_cast<uint32_t>(count) : Held(reader);
    std::memcpy(into, reader.buffer + reader.index, take);
    reader.index += take;
    into += take;
    count -= take;
  }
  return true;
}

bool ReaderCanRead(DocReader& reader, uint64_t count) {
  return count <= Held(reader) || CanRead(*reader.file, count - Held(reader));
}

bool SkipInReader(DocReader& reader, uint64_t count) {
  if (count <= Held(reader)) {
    reader.index += static_cast<uint32_t>(count);
    return true;
  }
  const uint64_t beyond = count - Held(reader);
  if (beyond > static_cast<uint64_t>(INT64_MAX)) return false;
  reader.fill = 0;
  reader.index = 0;
  reader.start = SeekDocFile(*reader.file, static_cast<int64_t>(beyond), kSeekCurrent);
  return reader.start >= 0;
}

void ReleaseReader(DocReader& reader) {
  if (Held(reader) != 0) SeekDocFile(*reader.file, ReaderPosition(reader), kSeekSet);
  reader.start = ReaderPosition(reader);
  reader.fill = 0;
  reader.index = 0;
}

bool ResumeReader(DocReader& reader) { return StartDocReader(reader, *reader.file, reader.limit); }
