#include "utility/decompress_run.h"

#include <cstdlib>
#include <cstring>

#include "utility/fail.h"
#include "utility/progress.h"

void OpenTarget(LzBuffer& lz, FILE* stream, int32_t windowSize) {
  if (stream == nullptr) FailCoded(exitcode::kFailure, msg::kNoTargetStream);
  lz.target.stream = stream;
  lz.windowSize = windowSize == 0 ? kEmptyWindowSize : windowSize;
  lz.window = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(lz.windowSize), 1));
  if (lz.window == nullptr) FailCoded(exitcode::kFailure, msg::kNoTargetWindow);
  lz.writePosition = 0;
  lz.restoredCount = 0;
}

void OpenMemoryTarget(LzBuffer& lz, std::vector<uint8_t>* out, int32_t windowSize) {
  lz.target.memory = out;
  lz.windowSize = windowSize;
  lz.window = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(windowSize), 1));
  if (lz.window == nullptr) FailCoded(exitcode::kFailure, msg::kNoTargetWindow);
  lz.writePosition = 0;
  lz.restoredCount = 0;
}

void ReleaseTarget(LzBuffer& lz) {
  std::free(lz.window);
  lz.window = nullptr;
  FlushTarget(lz.target);
  if (lz.target.stream != nullptr && std::fclose(lz.target.stream) != 0) {
    lz.target.stream = nullptr;
    FailCoded(exitcode::kFailure, msg::kTargetWriteError);
  }
  lz.target.stream = nullptr;
  lz.target.memory = nullptr;
}

void PutLiteral(LzBuffer& lz, uint8_t byte) {
  lz.window[lz.writePosition] = byte;
  WriteTargetByte(lz.target, byte);
  if (++lz.writePosition == lz.windowSize) lz.writePosition = 0;
  ++lz.restoredCount;
}

// Copies `count` bytes forward from `distance` back, neither end wrapping.
// In increasing order, so that a count beyond the distance repeats the last
// `distance` bytes. The result repeats with that period, so past the first
// multiple of the distance that is 8 or more, that multiple serves as the
// distance and the copy goes eight bytes at a time.
static void CopyForward(uint8_t* to, uint32_t distance, int32_t count) {
  const int32_t stride = static_cast<int32_t>(distance >= 8 ? distance : (8 + distance - 1) / distance * distance);
  int32_t i = 0;
  for (; i < count && i < stride - static_cast<int32_t>(distance); ++i) to[i] = to[i - static_cast<int32_t>(distance)];
  for (; i + 8 <= count; i += 8) std::memcpy(to + i, to + i - stride, 8);
  for (; i < count; ++i) to[i] = to[i - static_cast<int32_t>(distance)];
}

bool CopyMatch(LzBuffer& lz, uint32_t distance, int64_t length) {
  if (distance == 0 || distance > static_cast<uint32_t>(lz.windowSize) ||
      distance > lz.restoredCount) {
    return false;
  }
  const int32_t size = lz.windowSize;
  uint8_t* window = lz.window;
  int32_t write = lz.writePosition;
  int32_t read = write + size - static_cast<int32_t>(distance);
  if (read >= size) read -= size;
  // In runs that end where the read or the write position wraps.
  for (int64_t left = length; left > 0;) {
    int32_t run = size - (read > write ? read : write);
    if (run > left) run = static_cast<int32_t>(left);
    if (read < write) {
      CopyForward(window + write, distance, run);
    } else {
      // The source lies before the window's end and the target after its
      // start: the two do not overlap within the run.
      std::memmove(window + write, window + read, static_cast<size_t>(run));
    }
    WriteTargetBytes(lz.target, window + write, static_cast<size_t>(run));
    write += run;
    read += run;
    if (write == size) write = 0;
    if (read == size) read = 0;
    left -= run;
  }
  lz.writePosition = write;
  if (length > 0) lz.restoredCount += length;
  return true;
}

namespace {

// Copies what is left of the pending match, up to `stop` restored bytes.
void CopyPending(LzBuffer& lz, int64_t stop) {
  const int64_t room = stop - lz.restoredCount;
  const int64_t count = lz.pendingLength < room ? lz.pendingLength : room;
  if (count <= 0) return;
  CopyMatch(lz, lz.pendingDistance, count);
  lz.pendingLength -= count;
}

}  // namespace

DecodeEnd DecompressRun(LzBuffer& lz, BitFile& packed, HpModel& hp, HlModel (&hl)[kDistanceModels],
                        int64_t packedSize, FILE* progressStream, int64_t pauseAt) {
  ProgressCounter progress;
  StartProgress(progress, packedSize, progressStream);
  DecodeEnd end = DecodeEnd::kCutShort;
  const int64_t stop = pauseAt < lz.restoreLimit ? pauseAt : lz.restoreLimit;
  for (;;) {
    CopyPending(lz, stop);
    if (lz.pendingLength > 0 || lz.restoredCount >= pauseAt) {
      if (lz.restoredCount >= pauseAt) {
        FlushTarget(lz.target);
        return DecodeEnd::kPaused;
      }
      return DecodeEnd::kOverLimit;
    }
    uint32_t symbol;
    if (!DecodeHp(hp, packed, &symbol, &end)) break;
    CountProgress(progress, 1);
    if (symbol < static_cast<uint32_t>(kFirstMatchSymbol)) {
      if (lz.restoredCount >= lz.restoreLimit) return DecodeEnd::kOverLimit;
      PutLiteral(lz, static_cast<uint8_t>(symbol));
      continue;
    }
    CountProgress(progress, 1);
    uint32_t value;
    if (!DecodeHl(hl[DistanceModelFor(symbol)], packed, &value)) break;
    // A distance outside what has been restored ends the stream.
    if (value == UINT32_MAX || !CopyMatch(lz, value + 1, 0)) break;
    lz.pendingDistance = value + 1;
    lz.pendingLength = int64_t{symbol} - kLengthBias;
  }
  CompleteProgress(progress);
  return end;
}
