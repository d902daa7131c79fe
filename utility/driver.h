// The command line of the utility and the one run it drives.
#pragma once

#include <cstdint>
#include <string>

#include "utility/run_parameters.h"

constexpr size_t kPackedNameBufferSize = 2048;

// "." and the first three characters of the utility's own file name.
std::string DefaultExtension(const char* invocationName);

// Runs the utility and returns its exit code (fatal errors exit at once).
int RunDriver(int argc, const char* const* argv);
