#include "viewer/document/unpack_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string Cleaned(const char* path) {
  char buffer[kPathBufferBytes];
  std::snprintf(buffer, sizeof buffer, "%s", path);
  CleanDocumentPath(buffer);
  return buffer;
}

TEST(UnpackNames, CleaningTakesTheWholeTailAsOnePath) {
  struct Case {
    const char* given;
    const char* cleaned;
  };
  const Case cases[] = {
      {"\"C:\\My Documents\\book.kwen\"", "C:\\My Documents\\book.kwen"},
      {"  \" a b.kwen \"  ", "a b.kwen"},
      {"x\"y\".kwen", "x\"y\".kwen"},
      {"\"\"", ""},
      {"plain.bmp", "plain.bmp"},
  };
  for (const Case& c : cases) EXPECT_EQ(Cleaned(c.given), c.cleaned) << c.given;
}

constexpr uint32_t kPid = 1234;

std::string Unpacked(const char* fullPath, uint32_t processId = kPid) {
  char name[kPathBufferBytes];
  EXPECT_TRUE(UnpackedFileName("C:\\TEMP\\", fullPath, processId, name, sizeof name)) << fullPath;
  return name;
}

// The hash is FNV-1a of the full path: known values, the same in the 32-bit
// Windows build as natively.
TEST(UnpackNames, TheUnpackedFileNamesTheDocumentItsFullPathAndTheViewer) {
  EXPECT_EQ(Unpacked("D:\\books\\a.kwen"), "C:\\TEMP\\a.kwen.c432652d.1234.bs");
  EXPECT_EQ(Unpacked("D:a b.kwen", 7), "C:\\TEMP\\a b.kwen.f094f727.7.bs");
  EXPECT_EQ(Unpacked("D:\\b\\book.kwen", 4294967295u), "C:\\TEMP\\book.kwen.60a6b929.4294967295.bs");
}

TEST(UnpackNames, NoTwoDocumentsOrViewersShareAnUnpackedFile) {
  EXPECT_NE(Unpacked("D:\\a\\book.kwen"), Unpacked("D:\\b\\book.kwen"));
  EXPECT_NE(Unpacked("D:\\a\\book.kwen"), Unpacked("E:\\a\\book.kwen"));
  EXPECT_NE(Unpacked("D:\\a\\book.kwen", 1234), Unpacked("D:\\a\\book.kwen", 1235));
}

TEST(UnpackNames, TheCommandLineQuotesBothPaths) {
  char line[kPathBufferBytes];
  ASSERT_TRUE(UnpackCommandLine("D:\\books\\a.kwen", "C:\\TEMP\\a.kwen.c432652d.1234.bs", line, sizeof line));
  EXPECT_STREQ(line, "durmo.exe x \"D:\\books\\a.kwen\" \"C:\\TEMP\\a.kwen.c432652d.1234.bs\"");
}

TEST(UnpackNames, NamesThatDoNotFitAreRefused) {
  std::string longPath = "C:\\" + std::string(1010, 'a') + ".kwen";
  char out[kPathBufferBytes];
  EXPECT_FALSE(UnpackedFileName("C:\\TEMP\\", longPath.c_str(), kPid, out, sizeof out));
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
