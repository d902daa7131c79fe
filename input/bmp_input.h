// What the image library leaves unchecked in BMP files: that the pixels the
// headers declare are all in the file. It reads the rows a file lacks as
// black, after setting aside memory for the whole declared page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

bool IsBmp(const std::vector<uint8_t>& bytes);

// Checks the headers of an uncompressed BMP file against its size and
// `largestPixels`. False, with `error` telling why, when the file is cut
// short, its pixels would start inside its headers, or the page is empty or
// too large. Compressed files and unknown headers are left to the library,
// which refuses them.
bool CheckBmpPixels(const std::vector<uint8_t>& bytes, int64_t largestPixels, std::string& error);
