#include "engine/bit_file.h"

#include <cstdlib>
#include <cstring>

#include "engine/fail.h"
#include "engine/output_file.h"
#include "engine/platform_io.h"

static void AllocateBuffer(BitFile& file, uint16_t size) {
  file.buffer = static_cast<uint8_t*>(std::calloc(size, 1));
  if (file.buffer == nullptr) FailPlain(exitcode::kUsage, msg::kInsufficientMemory);
  file.size = size;
}

void OpenBitFile(BitFile& file, const char* name, uint16_t size) {
  AllocateBuffer(file, size);
  file.name = name;
  file.mode = 0;
  file.descriptor = OpenBinaryFile(name);
  file.valid = size;
  file.position = 8u * size;
  if (file.descriptor == -1) FailNamed(exitcode::kUsage, msg::kCantOpenToFile, name);
}

void OpenBitFileForOutput(BitFile& file, OutputFile* output, uint16_t size) {
  AllocateBuffer(file, size);
  file.name = output->path().c_str();
  file.mode = 1;
  file.output = output;
}

void OpenBitFileForMemoryWrite(BitFile& file, std::vector<uint8_t>* out) {
  AllocateBuffer(file, kBitFileBufferSize);
  file.mode = 1;
  file.memoryOut = out;
}

void OpenBitFileForMemoryRead(BitFile& file, const uint8_t* data, uint64_t size) {
  AllocateBuffer(file, kBitFileBufferSize);
  file.mode = 0;
  file.memoryIn = data;
  file.memoryInSize = size;
  file.valid = file.size;
  file.position = 8u * file.size;
}

// A write that does not take every byte would lose packed data.
static void WriteBytes(BitFile& file, unsigned count) {
  if (count == 0) return;
  if (file.memoryOut != nullptr) {
    file.memoryOut->insert(file.memoryOut->end(), file.buffer, file.buffer + count);
    return;
  }
  if (!file.output->Write(file.buffer, count)) FailCoded(exitcode::kFailure, msg::kPackedWriteError);
  file.bytesWritten += count;
}

static int ReadBytes(BitFile& file) {
  if (file.descriptor == -1) {
    uint64_t left = file.memoryInSize - file.memoryInPosition;
    unsigned count = left < file.size ? static_cast<unsigned>(left) : file.size;
    if (count != 0) std::memcpy(file.buffer, file.memoryIn + file.memoryInPosition, count);
    file.memoryInPosition += count;
    return static_cast<int>(count);
  }
  return ReadDescriptor(file.descriptor, file.buffer, file.size);
}

bool RefillBitFile(BitFile& file) {
  const int count = ReadBytes(file);
  // A failing read is not the end: the rest of the packed file would be
  // silently lost, and the run reported as done.
  if (count < 0) FailCoded(exitcode::kFailure, msg::kPackedReadError);
  file.bytesDelivered += static_cast<unsigned>(count);
  file.valid = static_cast<uint16_t>(count);
  file.position = 0;
  if (count == 0) return false;
  file.lastByte = file.buffer[count - 1];
  return true;
}

// After the whole bytes before `whole` are written out, the byte begun at
// `whole` moves to the front. A buffer that ends on a byte boundary (a
// last WriteBit may fill it) has no such byte: nothing past it is read.
static void CarryPartialByte(BitFile& file, unsigned whole) {
  if ((file.position & 7) != 0) file.buffer[0] = file.buffer[whole];
  file.position &= 7;
}

void WriteBit(BitFile& file, unsigned bit) {
  if (file.mode == 0) return;
  if (file.position == 8u * file.size) {
    WriteBytes(file, file.size);
    file.position = 0;
  }
  uint8_t& byte = file.buffer[file.position >> 3];
  unsigned shift = file.position & 7;
  byte = static_cast<uint8_t>((byte & ~(1u << shift)) | ((bit & 1u) << shift));
  ++file.position;
}

uint16_t WriteBits(BitFile& file, uint32_t value, unsigned count) {
  if (file.mode == 0) return 0;
  if (file.position + count >= 8u * file.size) {
    unsigned whole = file.position >> 3;
    WriteBytes(file, whole);
    CarryPartialByte(file, whole);
  }
  uint64_t bits = value;
  unsigned left = count;
  while (left > 0) {
    unsigned shift = file.position & 7;
    unsigned take = 8 - shift < left ? 8 - shift : left;
    unsigned mask = ((1u << take) - 1) << shift;
    uint8_t& byte = file.buffer[file.position >> 3];
    byte = static_cast<uint8_t>((byte & ~mask) | ((static_cast<unsigned>(bits) << shift) & mask));
    bits >>= take;
    left -= take;
    file.position += take;
  }
  return static_cast<uint16_t>(count);
}

void PadToByte(BitFile& file, unsigned bit) {
  while ((file.position & 7) != 0) WriteBit(file, bit);
}

void Finish(BitFile& file) {
  if (file.mode == 0 || file.position == 0) return;
  unsigned whole = file.position >> 3;
  WriteBytes(file, whole);
  CarryPartialByte(file, whole);
}

bool FillBitWindow(BitFile& file) {
  if (file.mode != 0) return false;
  while (file.windowBits <= 56) {
    if (file.position == 8u * file.valid && !RefillBitFile(file)) break;
    const unsigned at = file.position >> 3;
    const unsigned left = file.valid - at;
    unsigned take = (64 - file.windowBits) >> 3;
    if (take > left) take = left;
    uint64_t bytes;
    if (left >= 8) {
      bytes = LoadLittle64(file.buffer + at);
    } else {
      bytes = 0;
      for (unsigned i = take; i-- > 0;) bytes = bytes << 8 | file.buffer[at + i];
    }
    if (take < 8) bytes &= (uint64_t{1} << (8 * take)) - 1;
    file.bitWindow |= bytes << file.windowBits;
    file.windowBits += 8 * take;
    file.position += 8 * take;
  }
  return file.windowBits > 0;
}

bool RestIsPadding(const BitFile& file, uint64_t from) {
  uint64_t total = file.bytesDelivered * 8;
  if (from > total || total - from > 7) return false;
  unsigned rest = static_cast<unsigned>(total - from);
  if (rest == 0) return true;
  unsigned ones = (1u << rest) - 1;
  return ((file.lastByte >> (8 - rest)) & ones) == ones;
}

void ReleaseBitFile(BitFile& file) {
  if (file.mode == 1 && file.buffer != nullptr) WriteBytes(file, file.position >> 3);
  if (file.descriptor != -1) CloseDescriptor(file.descriptor);
  file.descriptor = -1;
  std::free(file.buffer);
  file.buffer = nullptr;
}
