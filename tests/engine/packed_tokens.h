// Packed streams written token by token, as no compressor would write them,
// so that tests can ask for any match length.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/test_support.h"

namespace testing_support {

// Each length of 1 is a literal `byte`; any other is a match of that
// length at `distance`.
struct TestToken {
  int64_t length;
  uint8_t byte;
  uint32_t distance = 1;
};

Bytes PackTokens(const std::vector<TestToken>& tokens, int windowExponent);

}  // namespace testing_support
