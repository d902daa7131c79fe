#include "engine/output_file.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Temporaries a program holds at once: one per output it is writing.
constexpr int kCleanupSlots = 64;
// Names tried before giving up on a folder full of our own leftovers.
constexpr int kTemporaryTries = 100;
// The largest single write the run-time library takes.
constexpr size_t kLargestWrite = size_t{1} << 30;

// The names to remove when the program ends before committing them, with
// their open descriptors (Windows removes no file that is open). This is
// process-wide by nature: signals and exit() are, and a handler can only
// reach what it finds here. Slots hold heap copies that stay valid until
// their owner clears the slot.
std::array<std::atomic<char*>, kCleanupSlots> pendingNames{};
std::array<std::atomic<int>, kCleanupSlots> pendingDescriptors{};
std::mutex slotMutex;
std::once_flag handlersInstalled;

// A signal handler may only remove; at exit the names' copies go too.
void RemovePending(bool freeNames) {
  for (size_t index = 0; index < kCleanupSlots; ++index) {
    char* name = pendingNames[index].exchange(nullptr);
    if (name == nullptr) continue;
    const int descriptor = pendingDescriptors[index].exchange(-1);
#if defined(_WIN32)
    if (descriptor >= 0) _close(descriptor);
    _unlink(name);
#else
    if (descriptor >= 0) ::close(descriptor);
    ::unlink(name);  // async-signal-safe
#endif
    if (freeNames) delete[] name;
  }
}

extern "C" void RemovePendingOnSignal(int signalNumber) {
  RemovePending(false);
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

extern "C" void RemovePendingAtExit() { RemovePending(true); }

void InstallHandlers() {
  std::atexit(RemovePendingAtExit);
  for (int signalNumber : {SIGINT, SIGTERM
#if !defined(_WIN32)
                           , SIGHUP
#endif
       }) {
    // A program that chose to ignore a signal keeps ignoring it.
    void (*previous)(int) = std::signal(signalNumber, RemovePendingOnSignal);
    if (previous == SIG_IGN) std::signal(signalNumber, SIG_IGN);
  }
}

int ClaimSlot(const std::string& name, int descriptor) {
  std::call_once(handlersInstalled, InstallHandlers);
  std::lock_guard<std::mutex> lock(slotMutex);
  for (int index = 0; index < kCleanupSlots; ++index) {
    std::atomic<char*>& slot = pendingNames[static_cast<size_t>(index)];
    if (slot.load() != nullptr) continue;
    char* copy = new char[name.size() + 1];
    std::memcpy(copy, name.c_str(), name.size() + 1);
    pendingDescriptors[static_cast<size_t>(index)].store(descriptor);
    slot.store(copy);
    return index;
  }
  return -1;  // still removed on failure, only not on a signal
}

// The descriptor is closed by its owner from now on.
void ForgetDescriptor(int index) {
  if (index >= 0) pendingDescriptors[static_cast<size_t>(index)].store(-1);
}

void ReleaseSlot(int index) {
  if (index < 0) return;
  ForgetDescriptor(index);
  delete[] pendingNames[static_cast<size_t>(index)].exchange(nullptr);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of(
#if defined(_WIN32)
      "/\\:"
#else
      "/"
#endif
  );
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseOf(const std::string& path) { return path.substr(FolderOf(path).size()); }

std::string RandomTag() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937_64 generator{std::random_device{}() ^
                                         static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&generator))};
  std::string tag;
  for (int i = 0; i < 8; ++i) tag += kLetters[generator() % (sizeof kLetters - 1)];
  return tag;
}

#if defined(_WIN32)

int OpenExisting(const std::string& path) { return _open(path.c_str(), _O_WRONLY | _O_BINARY); }

int CreateExclusive(const std::string& path) {
  return _open(path.c_str(), _O_WRONLY | _O_BINARY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
}

bool IsDevice(const std::string& path) {
  // Reserved names (NUL, CON, COM1...) and handles that are not disk files.
  HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(handle);
  CloseHandle(handle);
  return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

std::string FileBehind(const std::string& path) { return path; }

void KeepMode(int, const std::string&) {}

bool ReplaceName(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

int WritePiece(int descriptor, const void* data, size_t size) {
  return _write(descriptor, data, static_cast<unsigned>(size));
}

int CloseOutput(int descriptor) { return _close(descriptor); }

#else

int OpenExisting(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_CLOEXEC); }

int CreateExclusive(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

bool IsDevice(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

// A link is followed to the file it names, so that replacing the file keeps
// the link; a name that is no link, or a link to nothing, stands for itself.
std::string FileBehind(const std::string& path) {
  struct stat status;
  if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

// The replacement keeps the permissions of the file it replaces.
void KeepMode(int descriptor, const std::string& target) {
  struct stat status;
  if (::stat(target.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
    ::fchmod(descriptor, status.st_mode & 07777);
  }
}

bool ReplaceName(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

int WritePiece(int descriptor, const void* data, size_t size) {
  ssize_t written;
  do {
    written = ::write(descriptor, data, size);
  } while (written < 0 && errno == EINTR);
  return static_cast<int>(written);
}

int CloseOutput(int descriptor) { return ::close(descriptor); }

#endif

bool IsFolder(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && (status.st_mode & S_IFMT) == S_IFDIR;
}

bool Exists(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0;
}

}  // namespace

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Fail(const std::string& what, int errorNumber) {
  if (!failed_) error_ = what + " " + path_ + ": " + std::strerror(errorNumber);
  failed_ = true;
  return false;
}

bool OutputFile::Open(const std::string& path, NewName newName) {
  Discard();
  path_ = path;
  error_.clear();
  failed_ = false;
  target_ = FileBehind(path);
  if (IsFolder(target_)) return Fail("cannot write", EISDIR);
  if (IsDevice(target_)) {
    direct_ = true;
    descriptor_ = OpenExisting(target_);
    return descriptor_ >= 0 || Fail("cannot open", errno);
  }
  if (newName == NewName::kInPlace && !Exists(target_)) {
    descriptor_ = CreateExclusive(target_);
    if (descriptor_ < 0) return Fail("cannot create", errno);
    created_ = target_;
    cleanupSlot_ = ClaimSlot(created_, descriptor_);
    return true;
  }
  const std::string stem = FolderOf(target_) + "." + BaseOf(target_) + ".";
  for (int attempt = 0; attempt < kTemporaryTries; ++attempt) {
    temporary_ = stem + RandomTag() + ".part";
    descriptor_ = CreateExclusive(temporary_);
    if (descriptor_ >= 0) break;
    if (errno != EEXIST) {
      temporary_.clear();
      return Fail("cannot create a file beside", errno);
    }
  }
  if (descriptor_ < 0) {
    temporary_.clear();
    return Fail("cannot create a file beside", EEXIST);
  }
  created_ = temporary_;
  cleanupSlot_ = ClaimSlot(created_, descriptor_);
  KeepMode(descriptor_, target_);
  return true;
}

bool OutputFile::Write(const void* data, size_t size) {
  if (failed_) return false;
  if (descriptor_ < 0) return Fail("cannot write", EBADF);
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const size_t piece = size < kLargestWrite ? size : kLargestWrite;
    const int written = WritePiece(descriptor_, bytes, piece);
    if (written < 0) return Fail("cannot write", errno);
    if (written == 0) return Fail("cannot write", ENOSPC);
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool OutputFile::Commit() {
  if (descriptor_ < 0 && !failed_) Fail("cannot write", EBADF);
  if (failed_) {
    Discard();
    return false;
  }
  ForgetDescriptor(cleanupSlot_);
  const int closed = CloseOutput(descriptor_);
  descriptor_ = -1;
  if (closed != 0) {
    Fail("cannot write", errno);
    Discard();
    return false;
  }
  if (!temporary_.empty() && !ReplaceName(temporary_, target_)) {
    Fail("cannot replace", errno);
    Discard();
    return false;
  }
  Forget();
  return true;
}

void OutputFile::Discard() {
  ForgetDescriptor(cleanupSlot_);
  if (descriptor_ >= 0) CloseOutput(descriptor_);
  descriptor_ = -1;
  if (!created_.empty()) std::remove(created_.c_str());
  Forget();
}

void OutputFile::Forget() {
  ReleaseSlot(cleanupSlot_);
  cleanupSlot_ = -1;
  temporary_.clear();
  created_.clear();
  direct_ = false;
}

bool WriteWholeFile(const std::string& path, const std::vector<OutputPart>& parts, std::string& error) {
  OutputFile output;
  bool written = output.Open(path);
  for (const OutputPart& part : parts) written = written && output.Write(part.data, part.size);
  written = written && output.Commit();
  if (!written) error = output.error();
  return written;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  return WriteWholeFile(path, {OutputPart{bytes.data(), bytes.size()}}, error);
}
