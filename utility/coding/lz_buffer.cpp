#include "utility/coding/lz_buffer.h"

#include <cstring>

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

void FlushTarget(ByteSink& target) {
  if (target.used == 0) return;
  if (target.memory != nullptr) {
    target.memory->insert(target.memory->end(), target.buffer, target.buffer + target.used);
  } else if (std::fwrite(target.buffer, 1, target.used, target.stream) != target.used) {
    FailCoded(exitcode::kFailure, msg::kTargetWriteError);
  }
  target.used = 0;
}

void WriteTargetBytes(ByteSink& target, const uint8_t* bytes, size_t count) {
  while (count > 0) {
    size_t room = kStreamBufferSize - target.used;
    size_t take = count < room ? count : room;
    std::memcpy(target.buffer + target.used, bytes, take);
    target.used += take;
    bytes += take;
    count -= take;
    if (target.used == kStreamBufferSize) FlushTarget(target);
  }
}
