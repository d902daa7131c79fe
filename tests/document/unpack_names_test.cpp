#include "document/unpack_names.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(UnpackNames, CleaningTakesTheWholeTailAsOnePath) {
  const std::pair<const char*, const char*> cases[] = {
      {"\"C:\\My Documents\\book.kwen\"", "C:\\My Documents\\book.kwen"},
      {"  \" a b.kwen \"  ", "a b.kwen"},
      {"x\"y\".kwen", "x\"y\".kwen"},
      {"\"\"", ""},
  };
  for (const auto& [given, cleaned] : cases) {
    char buffer[kPathBufferBytes];
    std::snprintf(buffer, sizeof buffer, "%s", given);
    CleanDocumentPath(buffer);
    EXPECT_STREQ(buffer, cleaned) << given;
  }
}

// The name holds the FNV-1a hash of the full path (the same in the 32-bit
// Windows build as natively) and the viewer's process id; one that does not
// fit is refused. With ".", eight hex digits, ".7.bs" and no directory, a
// file part of `fits` characters fills the buffer to its terminator.
TEST(UnpackNames, TheUnpackedFileNamesTheDocumentItsFullPathAndTheViewer) {
  const std::string fits(kPathBufferBytes - 1 - 14, 'b');
  const struct {
    const char* directory;
    std::string path;
    uint32_t processId;
    std::string name;  // empty: refused
  } cases[] = {
      {"C:\\TEMP\\", "D:\\books\\a.kwen", 1234, "C:\\TEMP\\a.kwen.c432652d.1234.bs"},
      {"C:\\TEMP\\", "D:a b.kwen", 7, "C:\\TEMP\\a b.kwen.f094f727.7.bs"},
      {"C:\\TEMP\\", "D:\\b\\book.kwen", 4294967295u, "C:\\TEMP\\book.kwen.60a6b929.4294967295.bs"},
      {"", fits, 7, fits + ".9b50a3e5.7.bs"},
      {"", fits + "b", 7, ""},
      {"", fits, 70, ""},
  };
  for (const auto& c : cases) {
    char name[kPathBufferBytes];
    EXPECT_EQ(UnpackedFileName(c.directory, c.path.c_str(), c.processId, name, sizeof name), !c.name.empty())
        << c.path.size() << " " << c.processId;
    if (!c.name.empty()) {
      EXPECT_EQ(name, c.name);
    }
  }
  char line[kPathBufferBytes];
  ASSERT_TRUE(UnpackCommandLine("D:\\books\\a.kwen", "C:\\TEMP\\x.bs", line, sizeof line));
  EXPECT_STREQ(line, "durmo.exe x \"D:\\books\\a.kwen\" \"C:\\TEMP\\x.bs\"");
  const std::string longPath = "C:\\" + std::string(1010, 'a') + ".kwen";
  EXPECT_FALSE(UnpackCommandLine(longPath.c_str(), "C:\\TEMP\\x.bs", line, sizeof line));
}

}  // namespace
