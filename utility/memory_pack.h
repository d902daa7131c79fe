// Packing and restoring in-process, byte for byte what the utility writes
// and reads as files, for tools that hold their data in memory.
#pragma once

#include <cstdint>
#include <vector>

#include "utility/coding/symbol_models.h"
#include "utility/run_parameters.h"

// The packed form of `size` bytes; ends the process (as the utility does)
// when the data is 2 GiB or larger or memory runs out.
std::vector<uint8_t> PackBytes(const uint8_t* data, uint64_t size, const Switches& switches);

struct UnpackResult {
  bool hasHeader;  // false for an empty packed stream, which restores nothing
  DecodeEnd end;   // kEndMark for a complete stream
  std::vector<uint8_t> bytes;
};

// Restores at most `limit` bytes: a damaged stream can ask for gigabytes.
UnpackResult UnpackBytes(const uint8_t* packed, uint64_t size, int64_t limit = INT32_MAX);
