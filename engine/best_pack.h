// Packing by the cheapest parse: the same packed format, restored by every
// copy of the utility, but each block's tokens chosen by what they cost
// under the adaptive codes as they stand, instead of the greedy parse.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine/run_parameters.h"

// The packed form of `size` bytes in the window the switches choose (their
// search letter sets how deep the match tree is searched). Throws an
// EngineFailure, as PackBytes does, when the data is 2 GiB or larger or
// memory runs out.
// Memory besides the data and the output: 8 bytes per window position for
// the match tree, up to 4 MiB of hash heads, and at most 5 MiB for a block's
// matches and parse.
// The percentage done goes to `progressStream` unless it is null.
std::vector<uint8_t> PackBytesBest(const uint8_t* data, uint64_t size, const Switches& switches,
                                   FILE* progressStream = nullptr);
