// The name of a rendered page: a plain name, or a pattern with one decimal
// field ("page-%03d.png") that the page number fills.
#pragma once

#include <cstdint>
#include <string>

struct OutputPattern {
  bool hasField = false;
  std::string before;  // the whole name when there is no field
  std::string after;
  int width = 0;  // the field's width, padded with zeros; 0 for none
};

// False, with `error` telling why, for a '%' that is not the one field
// "%d" or "%0Nd" (N from 1 to 9), or for a second field.
bool ParseOutputPattern(const std::string& text, OutputPattern& pattern, std::string& error);

// The name of page `page`'s file.
std::string OutputName(const OutputPattern& pattern, int32_t page);
