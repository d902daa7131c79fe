// What compact-coded pictures decode to is pinned by pinned_pages_test;
// here, where the decoder leaves the file.
#include "viewer/document/compact_decoder.h"

#include <gtest/gtest.h>

#include "tests/viewer/document/document_builder.h"
#include "tests/viewer/document/test_host.h"
#include "viewer/document/document_state.h"
#include "viewer/document/page_state.h"

using namespace testing_support;

namespace {

// The decoder reads ahead through a buffer of its own; it must give back
// what it did not use, so that the next record is read from its first byte.
TEST(CompactDecoder, GivesBackWhatItReadAhead) {
  constexpr uint32_t kSide = 18;  // four blocks
  ResetHost();
  Bytes data;
  for (int i = 0; i < 3 * 81 * 4; ++i) PutSigned(data, 1);
  const int64_t used = static_cast<int64_t>(data.size());
  data.resize(data.size() + 3000, 0x55);
  iCurPage = 0;
  aPageOffset[0] = 0;
  aPageOffset[1] = static_cast<int32_t>(data.size());
  iQuantScale = 3;
  BuildQuantTables();
  DocFile file;
  OpenMemoryDocFile(file, data.data(), static_cast<int64_t>(data.size()));
  Bytes pixels(3 * kSide * kSide);
  ReadBufSgnCompact(file, pixels.data(), kSide, kSide, 24);
  EXPECT_EQ(SeekDocFile(file, 0, kSeekCurrent), used);
}

}  // namespace
