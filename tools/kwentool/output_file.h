// Writes a whole file so that the name never holds a half-written one: the
// bytes go to a temporary file beside it, which then replaces it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// False, with `error` telling why, when the file could not be written; the
// temporary file is removed and a file already under the name is kept.
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
