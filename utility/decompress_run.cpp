#include "utility/decompress_run.h"

#include <cstdlib>

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
  // Byte by byte in increasing order: a length beyond the distance repeats
  // the last `distance` bytes.
  for (int64_t i = 0; i < length; ++i) {
    uint8_t byte = window[read];
    window[write] = byte;
    WriteTargetByte(lz.target, byte);
    if (++write == size) write = 0;
    if (++read == size) read = 0;
  }
  lz.writePosition = write;
  if (length > 0) lz.restoredCount += length;
  return true;
}

DecodeEnd DecompressRun(LzBuffer& lz, BitFile& packed, HpModel& hp, HlModel (&hl)[kDistanceModels],
                        int64_t packedSize, FILE* progressStream, int64_t pauseAt) {
  ProgressCounter progress;
  StartProgress(progress, packedSize, progressStream);
  DecodeEnd end = DecodeEnd::kCutShort;
  while (lz.restoredCount < pauseAt) {
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
    const int64_t length = int64_t{symbol} - kLengthBias;
    if (!DecodeHl(hl[DistanceModelFor(symbol)], packed, &value)) break;
    const int64_t room = lz.restoreLimit - lz.restoredCount;
    if (value == UINT32_MAX || !CopyMatch(lz, value + 1, length < room ? length : room)) break;
    if (length > room) return DecodeEnd::kOverLimit;
  }
  if (lz.restoredCount >= pauseAt) {
    FlushTarget(lz.target);
    return DecodeEnd::kPaused;
  }
  CompleteProgress(progress);
  return end;
}
