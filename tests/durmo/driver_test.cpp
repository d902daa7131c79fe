#include "durmo/driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/test_support.h"
#include "tests/engine/packed_tokens.h"
#include "engine/bit_file.h"
#include "engine/coding/symbol_models.h"
#include "engine/platform_io.h"

#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace testing_support;

namespace {

TEST(DefaultExtension, ComesFromTheInvocationName) {
  const std::pair<const char*, const char*> cases[] = {
      {"DURMO.EXE", ".DUR"}, {"C:\\tools\\durmo.exe", ".dur"}, {"C:durmo.exe", ".dur"}, {"..\\bin\\du.exe", ".du"},
      {"./durmo", ".dur"},   {"/usr/local/bin/durmo", ".dur"},  {"..:x", ".x"},         {"", "."},
  };
  for (auto [name, extension] : cases) EXPECT_EQ(DefaultExtension(name), extension) << name;
}

// The fourth argument chooses the search, the fifth the window size.
TEST(Switches, AreTakenByPosition) {
  struct Case {
    const char *fourth, *fifth;
    int search, window;
  } cases[] = {
      {nullptr, nullptr, 10, 20}, {"/Slow", nullptr, 12, 20}, {"/F", nullptr, 8, 20}, {"/H", nullptr, 10, 20},
      {"/G", "/H", 10, 24},       {"/T", "/T", 14, 12},       {"x", "/L", 10, 23},     {"/Q", "M", 6, 20},
      {"/s", "/l", 10, 20},       {"/", "/", 10, 20},         {"/G", "/2", 10, 21},    {"/G", "/C", 10, 15},
  };
  for (const Case& c : cases) {
    std::vector<const char*> args = {"d", "a", "p", "f"};
    for (const char* extra : {c.fourth, c.fifth}) {
      if (extra != nullptr) args.push_back(extra);
    }
    Switches s = ParseSwitches(static_cast<int>(args.size()), args.data());
    EXPECT_EQ(std::make_pair(s.searchExponent, s.windowExponent), std::make_pair(c.search, c.window))
        << (c.fourth ? c.fourth : "-") << " " << (c.fifth ? c.fifth : "-");
  }
}

// A packed stream that restores a run of 'a': each of `lengths` is a literal
// 'a' when it is 1, else a match of that length at distance 1.
Bytes PackedRunOfA(const std::vector<int64_t>& lengths) {
  std::vector<TestToken> tokens;
  for (int64_t length : lengths) tokens.push_back({length, 'a'});
  return PackTokens(tokens, 1);
}

constexpr const char* kLimitPacked = "driver_test_limit.pk";
constexpr const char* kLimitTarget = "driver_test_limit.out";
constexpr int64_t kTestLimit = 5000;
constexpr const char* kOverLimitMessage =
    "Restored data would reach 2 GiB, more than any source packs to. Exit code 2 ";

// The utility's limit is 2^31 - 1 bytes, which takes gigabytes on disk to
// reach; a lower one shows where and how the run stops. A run stopped there
// removes a target it created and leaves one already there as it was.
struct LimitCase {
  const char* what;
  std::vector<int64_t> lengths;
  int exitCode;
  const char* message;
};
const LimitCase kLimitCases[] = {
    {"a match to 2 GiB", {1, INT32_MAX}, 2, kOverLimitMessage},
    {"a match that ends at the limit", {1, kTestLimit - 1}, 0, ""},
    {"a literal past the limit", {1, kTestLimit - 1, 1}, 2, kOverLimitMessage},
    {"the last of three matches", {1, 2000, 2000, 2000}, 2, kOverLimitMessage},
};

// The run's failure unwinds through the target, as the utility's does.
void RestoreUpToTheTestLimit(const LimitCase& c) {
  WriteFileBytes(kLimitPacked, PackedRunOfA(c.lengths));
  int exitCode = -1;
  std::string message;
  try {
    exitCode = RestoreFile(kLimitPacked, kLimitTarget, kTestLimit);
  } catch (const EngineFailure& failure) {
    exitCode = failure.exitCode;
    message = failure.what();
  }
  EXPECT_EQ(exitCode, c.exitCode) << c.what;
  EXPECT_EQ(message, c.message) << c.what;
}

TEST(RestoreFile, StopsWhereTheRestoredDataWouldPassTheLimit) {
  for (const LimitCase& c : kLimitCases) {
    std::remove(kLimitTarget);
    RestoreUpToTheTestLimit(c);
    int64_t size = -1;
    QueryFileSize(kLimitTarget, &size);
    EXPECT_EQ(size, c.exitCode == 0 ? kTestLimit : -1) << c.what;
    if (size == kTestLimit) {
      EXPECT_TRUE(ReadFileBytes(kLimitTarget) == Bytes(kTestLimit, 'a')) << c.what;
    }
  }
  for (const char* path : {kLimitPacked, kLimitTarget}) std::remove(path);
}

TEST(RestoreFile, ReplacesAFileOnlyWhenTheRunSucceeds) {
  const Bytes older = RandomBytes(3000, 5);
  for (const LimitCase& c : kLimitCases) {
    WriteFileBytes(kLimitTarget, older);
    RestoreUpToTheTestLimit(c);
    EXPECT_TRUE(ReadFileBytes(kLimitTarget) == (c.exitCode == 0 ? Bytes(kTestLimit, 'a') : older)) << c.what;
  }
  for (const char* path : {kLimitPacked, kLimitTarget}) std::remove(path);
}

// The address sanitizer reserves terabytes of address space, so a cap on
// it cannot be tested under it (g++ and clang say so differently).
#if defined(__SANITIZE_ADDRESS__)
#define KWEN_UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KWEN_UNDER_ADDRESS_SANITIZER 1
#endif
#endif

#if !defined(_WIN32) && !defined(KWEN_UNDER_ADDRESS_SANITIZER)
// Caps the process's address space at what it maps now and `extra` bytes.
void LimitAddressSpaceToCurrentPlus(size_t extra) {
  std::FILE* status = std::fopen("/proc/self/statm", "r");
  unsigned long pages = 0;
  if (status == nullptr || std::fscanf(status, "%lu", &pages) != 1) std::exit(98);
  std::fclose(status);
  const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + extra;
  const rlimit cap{limit, limit};
  if (setrlimit(RLIMIT_AS, &cap) != 0) std::exit(97);
}

// A run that cannot have the memory of the packed file's window fails before
// it creates the target: a file already under the name keeps its bytes. The
// 16 MiB window is refused by a limit on the process's address space, in a
// child, which the utility's run ends with the failure's code.
TEST(RestoreFileDeathTest, LeavesTheTargetAsItWasWhenMemoryIsShort) {
  constexpr const char* kPacked = "driver_test_memory.pk";
  constexpr const char* kTarget = "driver_test_memory.out";
  WriteFileBytes(kPacked, PackTokens({{1, 'a'}, {100, 'a'}}, 24));
  const Bytes kept = RandomBytes(3000, 4);
  WriteFileBytes(kTarget, kept);
  const char* const arguments[] = {"durmo", "x", kPacked, kTarget};
  EXPECT_EXIT(
      {
        LimitAddressSpaceToCurrentPlus(8 << 20);
        std::exit(RunDriver(4, arguments));
      },
      ::testing::ExitedWithCode(2), "");
  EXPECT_TRUE(ReadFileBytes(kTarget) == kept);
  for (const char* path : {kPacked, kTarget}) std::remove(path);
}
#endif

}  // namespace
