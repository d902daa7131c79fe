#include "document/unpack_names.h"

#include <gtest/gtest.h>

#include <cstring>
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
// Windows build as natively) and the viewer's process id.
TEST(UnpackNames, TheUnpackedFileNamesTheDocumentItsFullPathAndTheViewer) {
  const struct {
    const char* path;
    uint32_t processId;
    const char* name;
  } cases[] = {
      {"D:\\books\\a.kwen", 1234, "C:\\TEMP\\a.kwen.c432652d.1234.bs"},
      {"D:a b.kwen", 7, "C:\\TEMP\\a b.kwen.f094f727.7.bs"},
      {"D:\\b\\book.kwen", 4294967295u, "C:\\TEMP\\book.kwen.60a6b929.4294967295.bs"},
  };
  for (const auto& c : cases) {
    char name[kPathBufferBytes];
    ASSERT_TRUE(UnpackedFileName("C:\\TEMP\\", c.path, c.processId, name, sizeof name)) << c.path;
    EXPECT_STREQ(name, c.name);
  }
  char line[kPathBufferBytes];
  ASSERT_TRUE(UnpackCommandLine("D:\\books\\a.kwen", "C:\\TEMP\\x.bs", line, sizeof line));
  EXPECT_STREQ(line, "durmo.exe x \"D:\\books\\a.kwen\" \"C:\\TEMP\\x.bs\"");
}

TEST(UnpackNames, NamesThatDoNotFitAreRefused) {
  std::string longPath = "C:\\" + std::string(1010, 'a') + ".kwen";
  char out[kPathBufferBytes];
  EXPECT_FALSE(UnpackCommandLine(longPath.c_str(), "C:\\TEMP\\x.bs", out, sizeof out));
  // With ".", eight hex digits, ".7.bs" and no directory, a file part of
  // this length fills the buffer to its terminator.
  std::string fits(kPathBufferBytes - 1 - 14, 'b');
  ASSERT_TRUE(UnpackedFileName("", fits.c_str(), 7, out, sizeof out));
  EXPECT_EQ(std::strlen(out), kPathBufferBytes - 1);
  EXPECT_FALSE(UnpackedFileName("", (fits + "b").c_str(), 7, out, sizeof out));
  EXPECT_FALSE(UnpackedFileName("", fits.c_str(), 70, out, sizeof out));
}

}  // namespace
