// The pinned test document: twelve pages of random records of every page
// kind, and pages of text-like lines, made the same by every build.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "tests/document/document_builder.h"

namespace testing_support {

// The twelve pages whose digests are pinned.
Bytes MakePinnedDocument();
// A document of text pages of the given widths and heights.
Bytes MakeTextDocument(const std::vector<std::pair<int32_t, int32_t>>& sizes);

}  // namespace testing_support
