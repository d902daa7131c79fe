#include "engine/decompress_run.h"

#include <cstdlib>
#include <cstring>

#include "engine/fail.h"
#include "engine/output_file.h"
#include "engine/progress.h"

namespace {

// The window's bytes from `handedOn` up to `end` go to the target.
void HandOn(LzBuffer& lz, int32_t end) {
  const size_t count = static_cast<size_t>(end - lz.handedOn);
  if (count == 0) return;
  const uint8_t* bytes = lz.window + lz.handedOn;
  ByteSink& target = lz.target;
  if (target.memory != nullptr) {
    target.memory->insert(target.memory->end(), bytes, bytes + count);
  } else if (target.append != nullptr) {
    target.append(target.receiver, bytes, count);
  } else {
    // Straight from the window: no stream layer adds work to every piece.
    if (!target.output->Write(bytes, count)) FailCoded(exitcode::kFailure, msg::kTargetWriteError);
  }
  lz.handedOn = end;
}

// Hands on every piece that has filled since the last call, in one write,
// and everything up to the window's end when the write position reaches it;
// the positions then start again at 0. A file's window is a whole number of
// pieces, so its pieces lie at whole multiples of the piece size.
void HandOnPieces(LzBuffer& lz) {
  const int32_t write = lz.writePosition;
  if (write == lz.windowSize) {
    HandOn(lz, write);
    lz.writePosition = 0;
    lz.handedOn = 0;
    return;
  }
  const int32_t whole = write & ~static_cast<int32_t>(kStreamBufferSize - 1);
  if (whole > lz.handedOn) HandOn(lz, whole);
}

void OpenWindow(LzBuffer& lz, int32_t windowSize) {
  lz.windowSize = windowSize;
  lz.window = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(windowSize), 1));
  if (lz.window == nullptr) FailCoded(exitcode::kFailure, msg::kNoTargetWindow);
  lz.writePosition = 0;
  lz.handedOn = 0;
  lz.restoredCount = 0;
}

}  // namespace

int32_t RestoreWindowFor(uint32_t exponent) {
  return exponent + 1 < 24 ? int32_t{1} << (exponent + 1)
                           : kRestoreWindowSize + static_cast<int32_t>(kStreamBufferSize);
}

void OpenTargetWindow(LzBuffer& lz, int32_t windowSize) {
  const int32_t piece = static_cast<int32_t>(kStreamBufferSize);
  const int32_t size = windowSize == 0 ? kEmptyWindowSize : windowSize;
  OpenWindow(lz, (size + piece - 1) / piece * piece);
}

void AttachTarget(LzBuffer& lz, OutputFile* output) { lz.target.output = output; }

void OpenSinkTarget(LzBuffer& lz, const ByteSink& sink, int32_t windowSize) {
  lz.target = sink;
  OpenWindow(lz, windowSize);
}

void FlushRestored(LzBuffer& lz) { HandOn(lz, lz.writePosition); }

void ReleaseTarget(LzBuffer& lz) {
  if (lz.window != nullptr) FlushRestored(lz);
  std::free(lz.window);
  lz.window = nullptr;
  lz.target = ByteSink{};
}

void PutLiteral(LzBuffer& lz, uint8_t byte) {
  lz.window[lz.writePosition] = byte;
  ++lz.restoredCount;
  const int32_t write = ++lz.writePosition;
  if ((write & static_cast<int32_t>(kStreamBufferSize - 1)) == 0 || write == lz.windowSize) HandOnPieces(lz);
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

// The largest window is a piece longer than the 16 MiB a restore keeps, for
// copies to run over into; a distance reaching into that piece stays refused.
static bool DistanceIsRestored(const LzBuffer& lz, uint32_t distance) {
  return distance != 0 && distance <= static_cast<uint32_t>(lz.windowSize) &&
         distance <= static_cast<uint32_t>(kRestoreWindowSize) && distance <= lz.restoredCount;
}

bool CopyMatch(LzBuffer& lz, uint32_t distance, int64_t length) {
  if (!DistanceIsRestored(lz, distance)) return false;
  const int32_t size = lz.windowSize;
  uint8_t* window = lz.window;
  int32_t read = lz.writePosition - static_cast<int32_t>(distance);
  if (read < 0) read += size;
  // In runs that end where the read or the write position wraps.
  for (int64_t left = length; left > 0;) {
    const int32_t write = lz.writePosition;
    int32_t run = size - (read > write ? read : write);
    if (run > left) run = static_cast<int32_t>(left);
    if (read < write) {
      CopyForward(window + write, distance, run);
    } else {
      // The source lies before the window's end and the target after its
      // start: within the run every byte is read before it is written.
      std::memmove(window + write, window + read, static_cast<size_t>(run));
    }
    lz.writePosition = write + run;
    HandOnPieces(lz);
    read += run;
    if (read == size) read = 0;
    left -= run;
  }
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

constexpr size_t kWord = 8;

// Whether a copy may write up to a word past its end: the bytes there are
// older than any distance the distance models can decode.
bool HasCopySlack(const LzBuffer& lz, const HlModel (&hl)[kDistanceModels]) {
  const unsigned lengths = static_cast<unsigned>(hl[0].tree->symbolCount);
  const int64_t farthest = lengths == 0 ? 0 : int64_t{1} << (lengths - 1);
  return lz.windowSize >= farthest + static_cast<int64_t>(kWord);
}

// The common match: both ends clear of the window's end, a distance of a
// word or more, and room for the last word to run over. Copies a word at a
// time; false, with nothing done, for any other match.
inline bool CopyMatchByWords(LzBuffer& lz, uint32_t distance, int64_t length) {
  const int32_t write = lz.writePosition;
  if (distance < kWord || static_cast<int64_t>(distance) > write ||
      length > lz.windowSize - static_cast<int64_t>(kWord) - write) {
    return false;
  }
  uint8_t* to = lz.window + write;
  const uint8_t* from = to - distance;
  for (int64_t i = 0; i < length; i += kWord) std::memcpy(to + i, from + i, kWord);
  lz.writePosition = write + static_cast<int32_t>(length);
  lz.restoredCount += length;
  if ((lz.writePosition & ~static_cast<int32_t>(kStreamBufferSize - 1)) > lz.handedOn) HandOnPieces(lz);
  return true;
}

inline void CountEvent(ProgressCounter& progress) {
  if (++progress.counted >= progress.step) CountProgress(progress, 0);
}

}  // namespace

DecodeEnd DecompressRun(LzBuffer& lz, BitFile& packed, HpModel& hp, HlModel (&hl)[kDistanceModels],
                        int64_t packedSize, FILE* progressStream, int64_t pauseAt) {
  ProgressCounter progress;
  StartProgress(progress, packedSize, progressStream);
  DecodeEnd end = DecodeEnd::kCutShort;
  const int64_t stop = pauseAt < lz.restoreLimit ? pauseAt : lz.restoreLimit;
  const bool slack = HasCopySlack(lz, hl);
  for (;;) {
    if (lz.pendingLength > 0) CopyPending(lz, stop);
    if (lz.pendingLength > 0 || lz.restoredCount >= pauseAt || packed.memoryInPosition >= packed.memoryInHorizon) {
      if (lz.restoredCount >= pauseAt || lz.pendingLength == 0) {
        FlushRestored(lz);
        return DecodeEnd::kPaused;
      }
      return DecodeEnd::kOverLimit;
    }
    uint32_t symbol;
    if (!DecodeHp(hp, packed, &symbol, &end)) break;
    CountEvent(progress);
    if (symbol < static_cast<uint32_t>(kFirstMatchSymbol)) {
      if (lz.restoredCount >= lz.restoreLimit) return DecodeEnd::kOverLimit;
      PutLiteral(lz, static_cast<uint8_t>(symbol));
      continue;
    }
    CountEvent(progress);
    uint32_t value;
    if (!DecodeHl(hl[DistanceModelFor(symbol)], packed, &value)) break;
    // A distance outside what has been restored ends the stream.
    if (value == UINT32_MAX || !DistanceIsRestored(lz, value + 1)) break;
    const int64_t length = int64_t{symbol} - kLengthBias;
    if (slack && length <= stop - lz.restoredCount && CopyMatchByWords(lz, value + 1, length)) continue;
    lz.pendingDistance = value + 1;
    lz.pendingLength = length;
  }
  CompleteProgress(progress);
  return end;
}
