#include "utility/driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/test_support.h"
#include "tests/utility/packed_tokens.h"
#include "utility/bit_file.h"
#include "utility/coding/symbol_models.h"
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

// A packed stream that restores a run of 'a': each of `lengths` is a literal
// 'a' when it is 1, else a match of that length at distance 1.
Bytes PackedRunOfA(const std::vector<int64_t>& lengths) {
  std::vector<TestToken> tokens;
  for (int64_t length : lengths) tokens.push_back({length, 'a'});
  return PackTokens(tokens, 1);
}

std::string TextOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// In the working folder: on Windows the child of a death test is a process
// of its own, with a temporary folder of its own.
constexpr const char* kLimitPacked = "driver_test_limit.pk";
constexpr const char* kLimitTarget = "driver_test_limit.out";
constexpr const char* kLimitOutput = "driver_test_limit.txt";
constexpr int64_t kTestLimit = 5000;
constexpr const char* kOverLimitMessage =
    "Restored data would reach 2 GiB, more than any source packs to. Exit code 2 ";

// The utility's limit is 2^31 - 1 bytes, which takes gigabytes on disk to
// reach; a lower one shows where and how the run stops.
TEST(RestoreFileDeathTest, StopsWhereTheRestoredDataWouldPassTheLimit) {
  struct Case {
    const char* what;
    std::vector<int64_t> lengths;
    int exitCode;
    const char* message;
  } cases[] = {
      {"a match to 2 GiB", {1, INT32_MAX}, 2, kOverLimitMessage},
      {"a match that ends at the limit", {1, kTestLimit - 1}, 0, ""},
      {"a literal past the limit", {1, kTestLimit - 1, 1}, 2, kOverLimitMessage},
      {"the last of three matches", {1, 2000, 2000, 2000}, 2, kOverLimitMessage},
  };
  for (const Case& c : cases) {
    WriteFileBytes(kLimitPacked, PackedRunOfA(c.lengths));
    EXPECT_EXIT(
        {
          if (std::freopen(kLimitOutput, "w", stdout) == nullptr) std::exit(99);
          std::exit(RestoreFile(kLimitPacked, kLimitTarget, kTestLimit));
        },
        ::testing::ExitedWithCode(c.exitCode), "")
        << c.what;
    const Bytes restored = ReadFileBytes(kLimitTarget);
    EXPECT_EQ(restored.size(), static_cast<size_t>(kTestLimit)) << c.what;
    EXPECT_TRUE(restored == Bytes(restored.size(), 'a')) << c.what;
    EXPECT_EQ(TextOf(ReadFileBytes(kLimitOutput)), c.message) << c.what;
  }
  for (const char* path : {kLimitPacked, kLimitTarget, kLimitOutput}) std::remove(path);
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
