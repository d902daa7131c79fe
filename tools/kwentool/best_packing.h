// Packing by the cheapest parse for the tool: checked by restoring it before
// anything is written, and the repack command that applies it to a document.
#pragma once

#include <cstdint>
#include <vector>

#include "utility/run_parameters.h"

// The best packing of `bytes`, restored in memory and compared with them;
// a packing that would not restore them ends the tool with exit 1.
std::vector<uint8_t> PackBestChecked(const std::vector<uint8_t>& bytes, const Switches& switches);

// kwentool repack IN.kwen OUT.kwen: the same restored contents, packed best
// in the window IN declares. Returns the exit status.
int RepackDocument(const char* inPath, const char* outPath);
