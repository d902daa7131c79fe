// The packed file as a stream of bits, least significant bit of each byte
// first, over a low-level descriptor (or, for in-process packing, a byte
// vector) with one byte buffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

class OutputFile;

constexpr uint16_t kBitFileBufferSize = 1024;
// A packed file being restored is read in larger pieces: nobody watches it
// grow, and every read is a call into the system.
constexpr uint16_t kBitFileReadSize = 32768;

struct BitFile {
  uint8_t* buffer = nullptr;
  uint16_t size = 0;
  uint16_t valid = 0;     // read mode: bytes the last refill delivered
  uint32_t position = 0;  // bit position within the buffer (read mode: whole bytes)
  uint8_t mode = 0;       // 1 write, 0 read
  int descriptor = -1;    // read mode: the packed file
  const char* name = "";  // for the messages that name the file
  // Write mode: the packed file being written, or a byte vector.
  OutputFile* output = nullptr;
  uint64_t bytesWritten = 0;
  // In-memory stream instead of a descriptor (descriptor stays -1).
  std::vector<uint8_t>* memoryOut = nullptr;
  const uint8_t* memoryIn = nullptr;
  uint64_t memoryInSize = 0;
  uint64_t memoryInPosition = 0;
  // Read mode, in memory: a restore pauses at the first token boundary
  // once it has read this far, so that bytes still to arrive are never
  // taken for the stream's end.
  uint64_t memoryInHorizon = UINT64_MAX;
  // Read mode: bytes delivered by all refills, and the last of them, so that
  // the reader can tell whether the stream stopped on its end mark.
  uint64_t bytesDelivered = 0;
  uint8_t lastByte = 0;
  // Read mode: bits taken from the buffer but not yet delivered, the next
  // one in bit 0. Decoders read from it without a refill test per bit.
  uint64_t bitWindow = 0;
  unsigned windowBits = 0;
};

// Opens a file for reading; throws an EngineFailure, "Insufficient memory" or
// "Can't open to file %s", on failure. `name` must outlive the object.
void OpenBitFile(BitFile& file, const char* name, uint16_t size);
// Writes into an opened output, which stays its caller's to commit.
void OpenBitFileForOutput(BitFile& file, OutputFile* output, uint16_t size);
// Opens a stream that writes into `out` (appending) or reads `data`.
void OpenBitFileForMemoryWrite(BitFile& file, std::vector<uint8_t>* out);
void OpenBitFileForMemoryRead(BitFile& file, const uint8_t* data, uint64_t size);

void WriteBit(BitFile& file, unsigned bit);
uint16_t WriteBits(BitFile& file, uint32_t value, unsigned count);
void PadToByte(BitFile& file, unsigned bit);
void Finish(BitFile& file);
void ReleaseBitFile(BitFile& file);

// Refills the read buffer; false at the end of the stream.
bool RefillBitFile(BitFile& file);
// Read mode: tops the bit window up to at least 57 bits, or to the end of
// the stream; false when it is still empty (always in write mode).
bool FillBitWindow(BitFile& file);

// Bytes in stream order make a little-endian word whatever the machine.
inline uint64_t LoadLittle64(const uint8_t* bytes) {
  uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  word = __builtin_bswap64(word);
#endif
  return word;
}

// Read mode: makes the bit window hold at least `wanted` bits (at most 57)
// unless the stream ends first; false when it holds fewer. Where eight
// buffered bytes are left this takes whole bytes in one load.
inline bool EnsureBits(BitFile& file, unsigned wanted) {
  if (file.windowBits >= wanted) return true;
  const unsigned at = file.position >> 3;
  if (file.mode == 0 && at + 8 <= file.valid) {
    const unsigned take = (64 - file.windowBits) >> 3;
    const unsigned filled = file.windowBits + 8 * take;
    file.bitWindow |= (LoadLittle64(file.buffer + at) << file.windowBits) & (~uint64_t{0} >> (64 - filled));
    file.windowBits = filled;
    file.position += 8 * take;
    return true;
  }
  FillBitWindow(file);
  return file.windowBits >= wanted;
}

inline int ReadBit(BitFile& file, unsigned* bit) {
  if (file.windowBits == 0 && !EnsureBits(file, 1)) return 0;
  *bit = static_cast<unsigned>(file.bitWindow & 1u);
  file.bitWindow >>= 1;
  --file.windowBits;
  return 1;
}

// Delivers up to `count` (at most 32) bits into the value's low bits, which
// the caller has cleared; fewer only at the end of the stream.
inline uint16_t ReadBits(BitFile& file, uint32_t* value, unsigned count) {
  if (file.mode != 0) return 0;
  EnsureBits(file, count);
  const unsigned take = file.windowBits < count ? file.windowBits : count;
  if (take == 0) return 0;
  *value |= static_cast<uint32_t>(file.bitWindow & ((uint64_t{1} << take) - 1));
  file.bitWindow >>= take;
  file.windowBits -= take;
  return static_cast<uint16_t>(take);
}

// Read mode: the number of stream bits consumed so far. Before the first
// refill the buffer counts as used up, and the modular arithmetic gives 0.
inline uint64_t BitsConsumed(const BitFile& file) {
  return (file.bytesDelivered - file.valid) * 8 + file.position - file.windowBits;
}

// Read mode, once the stream has run out: true when everything after bit
// `from` is padding, that is fewer than 8 bits, all of them ones.
bool RestIsPadding(const BitFile& file, uint64_t from);

// The number of significant bits of v: 0 for 0, 1 for 1, 2 for 2 and 3, ...
inline uint8_t BitLength(uint32_t v) {
  return v == 0 ? 0 : static_cast<uint8_t>(32 - __builtin_clz(v));
}
