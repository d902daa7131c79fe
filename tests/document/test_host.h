// The document host of the tests: failures become exceptions carrying the
// message, and the host's calls are counted.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

struct DocumentFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct HostRecord {
  int fits = 0;
  int invalidations = 0;
  int closes = 0;
  std::vector<uint32_t> blockSizes;  // every block handed out
};

extern HostRecord hostRecord;
void ResetHost();  // also resets the page and document state
