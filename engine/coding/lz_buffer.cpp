#include "engine/coding/lz_buffer.h"

int RefillSource(ByteSource& source) {
  if (source.stream == nullptr) return -1;
  size_t count = std::fread(source.buffer, 1, kStreamBufferSize, source.stream);
  if (count == 0) {
    if (std::ferror(source.stream)) FailCoded(exitcode::kFailure, msg::kSourceReadError);
    return -1;
  }
  source.next = source.buffer + 1;
  source.end = source.buffer + count;
  return source.buffer[0];
}
