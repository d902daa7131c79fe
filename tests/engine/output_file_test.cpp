#include "engine/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "tests/test_support.h"

#if defined(_WIN32)
#include <direct.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace testing_support;

namespace {

const Bytes kOlder = BytesOf("the bytes the user had");
const Bytes kNewer = RandomBytes(100000, 3);

// A fresh folder per case, so that anything left in it shows.
std::string FreshFolder(const std::string& name) {
  const std::string folder = TempPath(name);
#if defined(_WIN32)
  _mkdir(folder.c_str());
#else
  ::mkdir(folder.c_str(), 0755);
#endif
  return folder + "/";
}

std::set<std::string> Entries(const std::string& folder) {
  std::set<std::string> names;
#if defined(_WIN32)
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.insert(found.cFileName);
  while (FindNextFileA(search, &found));
  FindClose(search);
  names.erase(".");
  names.erase("..");
#else
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return names;
  while (dirent* entry = ::readdir(listing)) names.insert(entry->d_name);
  ::closedir(listing);
  names.erase(".");
  names.erase("..");
#endif
  return names;
}

bool Exists(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0;
}

bool WriteAll(OutputFile& output, const Bytes& bytes) { return output.Write(bytes.data(), bytes.size()); }

#if !defined(_WIN32)
bool IsLink(const std::string& path) {
  struct stat status;
  return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

mode_t ModeOf(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 ? status.st_mode : 0;
}

// Runs `body` in a child process and returns its exit status (-signal when a
// signal ended it).
int InChild(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(body());
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}
#endif

// One kind of output name each: how it is laid out, what writing does to it,
// and which names the folder holds afterwards.
struct Case {
  const char* what;
  std::function<std::string(const std::string& folder)> prepare;  // returns the output's name
  bool succeeds;
  std::function<void(const std::string& folder, const std::string& path)> check;
  std::set<std::string> entriesAfter;
};

void ExpectBytes(const std::string& path, const Bytes& expected, const char* what) {
  EXPECT_TRUE(ReadFileBytes(path) == expected) << what << ": " << path;
}

std::vector<Case> Cases() {
  std::vector<Case> cases = {
      {"an existing regular file is replaced whole",
       [](const std::string& folder) {
         WriteFileBytes(folder + "out.bin", kOlder);
         return folder + "out.bin";
       },
       true, [](const std::string&, const std::string& path) { ExpectBytes(path, kNewer, "replaced"); },
       {"out.bin"}},
      {"a missing file is created",
       [](const std::string& folder) { return folder + "new.bin"; }, true,
       [](const std::string&, const std::string& path) { ExpectBytes(path, kNewer, "created"); }, {"new.bin"}},
      {"a name in a missing folder is refused",
       [](const std::string& folder) { return folder + "nowhere/out.bin"; }, false,
       [](const std::string&, const std::string&) {}, {}},
      {"a folder is refused",
       [](const std::string& folder) {
         const std::string inner = folder + "inner";
#if defined(_WIN32)
         _mkdir(inner.c_str());
#else
         ::mkdir(inner.c_str(), 0755);
#endif
         return inner;
       },
       false, [](const std::string&, const std::string&) {}, {"inner"}},
#if defined(_WIN32)
      {"the null device is written, not replaced", [](const std::string&) { return std::string("NUL"); }, true,
       [](const std::string&, const std::string&) {}, {}},
#else
      {"the null device is written, not replaced", [](const std::string&) { return std::string("/dev/null"); },
       true,
       [](const std::string&, const std::string& path) { EXPECT_TRUE(S_ISCHR(ModeOf(path))) << path; }, {}},
      {"a full device fails and stays a device", [](const std::string&) { return std::string("/dev/full"); },
       false, [](const std::string&, const std::string& path) { EXPECT_TRUE(S_ISCHR(ModeOf(path))) << path; },
       {}},
      {"a link to a file replaces the file and stays a link",
       [](const std::string& folder) {
         WriteFileBytes(folder + "real.bin", kOlder);
         ::chmod((folder + "real.bin").c_str(), 0640);
         EXPECT_EQ(::symlink("real.bin", (folder + "link.bin").c_str()), 0);
         return folder + "link.bin";
       },
       true,
       [](const std::string& folder, const std::string& path) {
         EXPECT_TRUE(IsLink(path));
         ExpectBytes(folder + "real.bin", kNewer, "behind the link");
         EXPECT_EQ(ModeOf(folder + "real.bin") & 0777, 0640u) << "the replaced file's permissions";
       },
       {"link.bin", "real.bin"}},
      {"a link planted where a temporary might go is never followed",
       [](const std::string& folder) {
         WriteFileBytes(folder + "victim.bin", kOlder);
         EXPECT_EQ(::symlink("victim.bin", (folder + "out.bin.part").c_str()), 0);
         return folder + "out.bin";
       },
       true,
       [](const std::string& folder, const std::string& path) {
         ExpectBytes(path, kNewer, "written");
         ExpectBytes(folder + "victim.bin", kOlder, "the planted link's target");
         EXPECT_TRUE(IsLink(folder + "out.bin.part"));
       },
       {"out.bin", "out.bin.part", "victim.bin"}},
#endif
  };
  return cases;
}

TEST(OutputFile, EveryKindOfNameIsWrittenSafely) {
  int index = 0;
  for (const Case& c : Cases()) {
    const std::string folder = FreshFolder("kind" + std::to_string(index++));
    const std::string path = c.prepare(folder);
    OutputFile output;
    const bool written = output.Open(path) && WriteAll(output, kNewer) && output.Commit();
    EXPECT_EQ(written, c.succeeds) << c.what << ": " << output.error();
    if (!written) {
      EXPECT_NE(output.error().find(path), std::string::npos) << c.what << ": " << output.error();
    }
    c.check(folder, path);
    EXPECT_EQ(Entries(folder), c.entriesAfter) << c.what;
  }
}

// The two ways a program stops half-way through its output: a failure that
// ends it with exit(), and an interrupt. Neither leaves a temporary, and the
// user's older file keeps its bytes.
TEST(OutputFileDeathTest, AProgramEndedHalfWayLeavesNoTemporary) {
  const std::string folder = FreshFolder("ended");
  const std::string older = folder + "older.bin";
  const std::string fresh = folder + "fresh.bin";
  WriteFileBytes(older, kOlder);
  for (const std::string& path : {older, fresh}) {
    for (auto newName : {OutputFile::NewName::kTemporary, OutputFile::NewName::kInPlace}) {
      EXPECT_EXIT(
          {
            OutputFile output;
            if (!output.Open(path, newName) || !WriteAll(output, kNewer)) std::exit(9);
            std::exit(3);
          },
          ::testing::ExitedWithCode(3), "");
#if !defined(_WIN32)
      for (int signalNumber : {SIGINT, SIGTERM}) {
        EXPECT_EXIT(
            {
              OutputFile output;
              if (!output.Open(path, newName) || !WriteAll(output, kNewer)) std::exit(9);
              std::raise(signalNumber);
              std::exit(9);
            },
            ::testing::KilledBySignal(signalNumber), "");
      }
#endif
      EXPECT_EQ(Entries(folder), std::set<std::string>{"older.bin"}) << path;
      ExpectBytes(older, kOlder, "the older file");
    }
  }
}

// A new name written in place can be read while it grows; on failure it goes.
TEST(OutputFile, ANewNameWrittenInPlaceGrowsUnderItsNameAndGoesOnFailure) {
  const std::string folder = FreshFolder("inplace");
  const std::string path = folder + "growing.bin";
  OutputFile output;
  ASSERT_TRUE(output.Open(path, OutputFile::NewName::kInPlace)) << output.error();
  ASSERT_TRUE(WriteAll(output, kOlder));
  EXPECT_TRUE(ReadFileBytes(path) == kOlder);
  output.Discard();
  EXPECT_FALSE(Exists(path));
  EXPECT_TRUE(Entries(folder).empty());
}

#if !defined(_WIN32)
// A disk that fills up half-way: writes past a file-size limit fail as they
// would on a full disk. The older file keeps its bytes; no temporary stays.
TEST(OutputFile, AFullDiskKeepsTheOlderFile) {
  const std::string folder = FreshFolder("full");
  const std::string path = folder + "out.bin";
  WriteFileBytes(path, kOlder);
  const int status = InChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0) return 7;
    OutputFile output;
    if (!output.Open(path)) return 8;
    const bool written = WriteAll(output, kNewer) && output.Commit();
    return written ? 0 : output.error().find(path) != std::string::npos ? 1 : 2;
  });
  EXPECT_EQ(status, 1);
  ExpectBytes(path, kOlder, "the older file");
  EXPECT_EQ(Entries(folder), std::set<std::string>{"out.bin"});
}

// A folder the user may not write to (tried as another user when the tests
// run as root, who may write anywhere).
TEST(OutputFile, AReadOnlyFolderIsRefusedInPlainWords) {
  const std::string folder = FreshFolder("readonly");
  const std::string path = folder + "out.bin";
  WriteFileBytes(path, kOlder);
  ::chmod(path.c_str(), 0644);
  ::chmod(folder.c_str(), 0555);
  const int status = InChild([&] {
    if (::geteuid() == 0 && ::setuid(65534) != 0) return 7;
    OutputFile output;
    const bool written = output.Open(path) && WriteAll(output, kNewer) && output.Commit();
    return written ? 0 : output.error().find("Permission denied") != std::string::npos ? 1 : 2;
  });
  EXPECT_EQ(status, 1);
  ::chmod(folder.c_str(), 0755);
  ExpectBytes(path, kOlder, "the file in the read-only folder");
  EXPECT_EQ(Entries(folder), std::set<std::string>{"out.bin"});
}

// A pipe is written directly, for whoever reads it, and stays a pipe.
TEST(OutputFile, APipeIsWrittenDirectly) {
  const std::string path = FreshFolder("pipe") + "fifo";
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  Bytes received;
  std::thread reader([&] { received = ReadFileBytes(path); });
  OutputFile output;
  const bool written = output.Open(path) && WriteAll(output, kNewer) && output.Commit();
  reader.join();
  EXPECT_TRUE(written) << output.error();
  EXPECT_TRUE(received == kNewer);
  EXPECT_TRUE(S_ISFIFO(ModeOf(path)));
}
#endif

}  // namespace
