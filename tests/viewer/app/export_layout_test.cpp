#include "viewer/app/export_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/viewer/document/test_host.h"
#include "viewer/document/page_state.h"

namespace {

// A file that takes `room` bytes and then writes short.
struct RecordingFile {
  size_t room;
  std::vector<uint8_t> bytes;
};

uint32_t Record(void* file, const void* data, uint32_t size) {
  RecordingFile& into = *static_cast<RecordingFile*>(file);
  uint32_t taken = static_cast<uint32_t>(std::min<size_t>(size, into.room - into.bytes.size()));
  const uint8_t* from = static_cast<const uint8_t*>(data);
  into.bytes.insert(into.bytes.end(), from, from + taken);
  return taken;
}

// A 1-bit page 1700 pixels wide and 3 rows high with two colours.
class ExportLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHost();
    sBitMapInfoHeader.BMIH = BitmapInfoHeader{40, 1700, 3, 1, 1, 0, 0, 0, 0, 0, 0};
    nColors = 2;
    pDibBits = rows.data();
  }
  std::vector<uint8_t> rows = std::vector<uint8_t>(216 * 3, 0x5A);
};

TEST_F(ExportLayout, AShortWriteFailsWithItsPartsMessageAndStops) {
  struct Case {
    size_t room;
    const char* failure;
  };
  const Case cases[] = {
      {0, "Write BITMAPFILEHEADER to export file failed"},
      {13, "Write BITMAPFILEHEADER to export file failed"},
      {14 + 39, "Write BITMAPINFO to export file failed"},
      {14 + 40 + 7, "Write RGBTable to export file failed"},
      {14 + 40 + 8 + 647, "Write BITMAP to export file failed"},
  };
  for (const Case& c : cases) {
    RecordingFile file{c.room, {}};
    const char* failure = WriteExportParts(Record, &file);
    ASSERT_NE(failure, nullptr) << c.room;
    EXPECT_STREQ(failure, c.failure) << c.room;
    EXPECT_EQ(file.bytes.size(), c.room);
  }
  RecordingFile whole{14 + 40 + 8 + 648, {}};  // rows of 216 bytes: 1700 bits rounded up to 32
  EXPECT_EQ(WriteExportParts(Record, &whole), nullptr);
  EXPECT_EQ(whole.bytes.back(), 0x5A);
}

}  // namespace
