// SHA-256 for pinning produced bytes by digest in the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace testing_support {

struct Sha256 {
  uint32_t state[8];
  uint8_t block[64];
  size_t used = 0;
  uint64_t total = 0;
};

void StartSha256(Sha256& sha);
void AddSha256(Sha256& sha, const uint8_t* data, size_t size);
// The digest as 64 lower-case hex digits.
std::string FinishSha256(Sha256& sha);
std::string Sha256Hex(const uint8_t* data, size_t size);

}  // namespace testing_support
