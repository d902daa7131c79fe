#include "render/export_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/document/test_host.h"
#include "document/page_state.h"

namespace {

// A file that takes `room` bytes and then writes short.
struct RecordingFile {
  size_t room;
  std::vector<uint8_t> bytes;
};

uint32_t Record(void* file, const void* data, uint32_t size) {
  RecordingFile& into = *static_cast<RecordingFile*>(file);
  uint32_t taken = static_cast<uint32_t>(std::min<size_t>(size, into.room - into.bytes.size()));
  into.bytes.insert(into.bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + taken);
  return taken;
}

// A 1-bit page 1700 pixels wide and 3 rows high: the export stops at the
// first part written short and names it; rows are 216 bytes (1700 bits
// rounded up to 32).
TEST(ExportLayout, AShortWriteFailsWithItsPartsMessageAndStops) {
  ResetHost();
  std::vector<uint8_t> rows(216 * 3, 0x5A);
  Session().page.info.BMIH = BitmapInfoHeader{40, 1700, 3, 1, 1, 0, 0, 0, 0, 0, 0};
  Session().page.colorCount = 2;
  Session().page.bits = rows.data();
  const std::pair<size_t, const char*> cases[] = {
      {13, "Write BITMAPFILEHEADER to export file failed"},
      {14 + 39, "Write BITMAPINFO to export file failed"},
      {14 + 40 + 7, "Write RGBTable to export file failed"},
      {14 + 40 + 8 + 647, "Write BITMAP to export file failed"},
      {14 + 40 + 8 + 648, nullptr},
  };
  for (const auto& [room, failure] : cases) {
    RecordingFile file{room, {}};
    const char* got = WriteExportParts(Session().page, Record, &file);
    EXPECT_STREQ(got, failure) << room;
    EXPECT_EQ(file.bytes.size(), room);
  }
}

}  // namespace
