// The command line of the utility and the one run it drives.
#pragma once

#include <cstdint>
#include <string>

#include "engine/fail.h"
#include "engine/run_parameters.h"

constexpr size_t kPackedNameBufferSize = 2048;

// "." and the first three characters of the utility's own file name.
std::string DefaultExtension(const char* invocationName);

// `durmo x`: restores the packed file into the target and returns the exit
// code. A restore that would pass `limit` bytes (the utility's limit is
// kLargestSource: no larger source is ever packed) throws an EngineFailure,
// as every fatal error does; the target's name then keeps what it had.
int RestoreFile(const char* packedName, const char* targetName, int64_t limit);

// Runs the utility and returns its exit code, that of a failure too.
int RunDriver(int argc, const char* const* argv);
