// A whole file read into memory.
#pragma once

#include <cstdint>
#include <vector>

enum class FileRead { kDone, kNotOpened, kNotRead };

FileRead ReadFileBytes(const char* path, std::vector<uint8_t>& bytes);
