// Packing a built document by the cheapest parse, checked by restoring it
// before anything is written.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/run_parameters.h"

// The best packing of `bytes`, restored in memory and compared with them;
// a packing that would not restore them ends the tool with exit 1.
std::vector<uint8_t> PackBestChecked(const std::vector<uint8_t>& bytes, const Switches& switches);
