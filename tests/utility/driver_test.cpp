#include "utility/driver.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "utility/platform_io.h"

using namespace testing_support;

namespace {

TEST(DefaultExtension, ComesFromTheInvocationName) {
  const std::pair<const char*, const char*> cases[] = {
      {"durmo", ".dur"},
      {"DURMO.EXE", ".DUR"},
      {"C:\\tools\\durmo.exe", ".dur"},
      {"C:durmo.exe", ".dur"},
      {"\\durmo", ".dur"},
      {"..\\bin\\du.exe", ".du"},
      {"./durmo", ".dur"},
      {"build/durmo", ".dur"},
      {"/usr/local/bin/durmo", ".dur"},
      {"/durmo", ".dur"},
      {"..:x", ".x"},
      {"ab", ".ab"},
      {"", "."},
  };
  for (auto [name, extension] : cases) EXPECT_EQ(DefaultExtension(name), extension) << name;
}

TEST(Switches, AreTakenByPosition) {
  struct Case {
    std::vector<const char*> args;
    int search, window;
  } cases[] = {
      {{"d", "a", "p", "f"}, 10, 20},
      {{"d", "a", "p", "f", "/T"}, 14, 20},
      {{"d", "a", "p", "f", "/Slow"}, 12, 20},
      {{"d", "a", "p", "f", "/F"}, 8, 20},
      {{"d", "a", "p", "f", "/Q"}, 6, 20},
      {{"d", "a", "p", "f", "/H"}, 10, 20},
      {{"d", "a", "p", "f", "/G", "/H"}, 10, 24},
      {{"d", "a", "p", "f", "/S", "/S"}, 12, 14},
      {{"d", "a", "p", "f", "/T", "/T"}, 14, 12},
      {{"d", "a", "p", "f", "x", "/L"}, 10, 23},
      {{"d", "a", "p", "f", "/Q", "M"}, 6, 20},
      {{"d", "a", "p", "f", "/s", "/l"}, 10, 20},
      {{"d", "a", "p", "f", "/", "/"}, 10, 20},
      {{"d", "a", "p", "f", "/G", "/M"}, 10, 22},
      {{"d", "a", "p", "f", "/G", "/2"}, 10, 21},
      {{"d", "a", "p", "f", "/G", "/1"}, 10, 20},
      {{"d", "a", "p", "f", "/G", "/C"}, 10, 15},
  };
  for (const Case& c : cases) {
    Switches s = ParseSwitches(static_cast<int>(c.args.size()), c.args.data());
    EXPECT_EQ(s.searchExponent, c.search) << c.args.size();
    EXPECT_EQ(s.windowExponent, c.window) << c.args.size();
  }
}

TEST(ChooseWindow, LowersTheExponentToTheSourceLength) {
  struct Case {
    int64_t size;
    int exponent;
    int exponentOut;
    int32_t window;
  } cases[] = {
      {0, 20, 0, 0},         {1, 20, 1, 1},           {5, 20, 3, 5},
      {1000, 20, 10, 1000},  {1 << 20, 20, 20, 1 << 20}, {(1 << 20) + 1, 20, 20, 1 << 20},
      {10000, 12, 12, 4096}, {3 << 24, 24, 24, 1 << 24},
  };
  for (const Case& c : cases) {
    WindowChoice w = ChooseWindow(c.size, c.exponent);
    EXPECT_EQ(w.exponent, c.exponentOut) << c.size;
    EXPECT_EQ(w.size, c.window) << c.size;
  }
}

TEST(IsSameFile, OnlyForOneFileThatExists) {
  const std::string file = TempPath("same.txt");
  const std::string copy = TempPath("copy.txt");
  const std::string missing = TempPath("missing.txt");
  WriteFileBytes(file, BytesOf("one file"));
  WriteFileBytes(copy, BytesOf("one file"));
  struct Case {
    std::string a, b;
    bool same;
  } cases[] = {
      {file, file, true},     {file, TempPath("./same.txt"), true},
      {file, copy, false},    {file, missing, false},
      {missing, file, false}, {missing, missing, false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSameFile(c.a.c_str(), c.b.c_str()), c.same) << c.a << " " << c.b;
}

}  // namespace
