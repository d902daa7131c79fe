// Helpers shared by the tests: temporary files and generated data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<uint8_t>;

// A path in a fresh per-process temporary folder.
std::string TempPath(const std::string& name);
Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);
Bytes BytesOf(const std::string& text);

// The bits of `bytes` in stream order, least significant bit first.
std::vector<int> StreamBits(const Bytes& bytes);

// Reproducible test data of several kinds.
Bytes RandomBytes(size_t size, uint32_t seed);
Bytes TextLike(size_t size, uint32_t seed);      // words from a small vocabulary
Bytes Structured(size_t size, uint32_t seed);    // records with repeating fields
Bytes Runs(size_t size, uint32_t seed);          // long runs of few values

}  // namespace testing_support
