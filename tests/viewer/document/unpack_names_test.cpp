#include "viewer/document/unpack_names.h"

#include <gtest/gtest.h>

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

TEST(UnpackNames, TheUnpackedFileIsTheFilePartInTheTemporaryDirectory) {
  char name[kPathBufferBytes];
  ASSERT_TRUE(UnpackedFileName("C:\\TEMP\\", "D:\\books\\a.kwen", name, sizeof name));
  EXPECT_STREQ(name, "C:\\TEMP\\a.kwen.bs");
  ASSERT_TRUE(UnpackedFileName("C:\\TEMP\\", "D:a b.kwen", name, sizeof name));
  EXPECT_STREQ(name, "C:\\TEMP\\a b.kwen.bs");
}

TEST(UnpackNames, TheCommandLineQuotesBothPaths) {
  char line[kPathBufferBytes];
  ASSERT_TRUE(UnpackCommandLine("D:\\books\\a.kwen", "C:\\TEMP\\a.kwen.bs", line, sizeof line));
  EXPECT_STREQ(line, "durmo.exe x \"D:\\books\\a.kwen\" \"C:\\TEMP\\a.kwen.bs\"");
}

TEST(UnpackNames, NamesThatDoNotFitAreRefused) {
  std::string longPath = "C:\\" + std::string(1010, 'a') + ".kwen";
  char out[kPathBufferBytes];
  EXPECT_FALSE(UnpackedFileName("C:\\TEMP\\", longPath.c_str(), out, sizeof out));
  EXPECT_FALSE(UnpackCommandLine(longPath.c_str(), "C:\\TEMP\\x.bs", out, sizeof out));
  std::string fits(kPathBufferBytes - 1 - 3, 'b');  // with ".bs" and no directory
  EXPECT_TRUE(UnpackedFileName("", fits.c_str(), out, sizeof out));
  EXPECT_FALSE(UnpackedFileName("", (fits + "b").c_str(), out, sizeof out));
}

}  // namespace
