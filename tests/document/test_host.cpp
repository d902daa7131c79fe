#include "tests/document/test_host.h"

namespace {
std::unique_ptr<TestSession> session = std::make_unique<TestSession>();
}  // namespace

uint8_t* TestHost::ReplacePageBlock(uint32_t size) {
  block_.reset(new uint8_t[size == 0 ? 1 : size]);
  record.blockSizes.push_back(size);
  return block_.get();
}

TestSession& Session() { return *session; }

void ResetHost() { session = std::make_unique<TestSession>(); }
