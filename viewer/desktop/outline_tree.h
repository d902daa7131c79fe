// The outline as a tree: each entry's parent, from the levels of the
// entries in document order.
#pragma once

#include <cstdint>
#include <vector>

#include "kwen/text.h"

constexpr int32_t kOutlineTop = -1;

// For each entry, the index of its parent entry (kOutlineTop for a top
// entry): the nearest entry before it of a lower level. An entry nested
// deeper than one below the entry before it hangs under that entry.
std::vector<int32_t> OutlineParents(const std::vector<kwen::OutlineItem>& outline);
