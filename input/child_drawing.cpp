#include "input/child_drawing.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// What the child sends first; the pixels and their extra bytes, the answer
// or the message follow.
enum Outcome : int32_t { kPixels = 1, kRefused = 2, kOutOfMemory = 3, kAnswer = 4 };
struct Header {
  int32_t outcome;
  int32_t width;
  int32_t height;
  uint32_t messageBytes;
  uint32_t extraBytes;
};

constexpr uint32_t kLongestMessage = 4096;
// What is kept of the child's standard error: enough to tell its kind.
constexpr size_t kKeptComplaint = 512;
// A larger pipe sends a page in fewer turns; the system may refuse it.
constexpr int kPipeBytes = 1 << 20;
constexpr size_t kReadPiece = 1 << 16;
constexpr int kChildCannotSend = 1;
constexpr uint64_t kBytesPerMebibyte = uint64_t{1} << 20;
// What the library writes before giving up on an allocation.
constexpr char kOutOfMemoryComplaint[] = "Out of memory";
constexpr char kBogusSizeComplaint[] = "Bogus memory allocation size";

bool WriteAll(int descriptor, const void* data, size_t size) {
  const char* next = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(descriptor, next, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    next += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// --- The child.

// What the parent asks for: a page, or the answer to the file question.
enum Question : int32_t { kPage = 1, kFile = 2 };
struct Request {
  int32_t question;
  int32_t page;
  int32_t dotsPerInch;
  int32_t mebibytes;
};

bool ReadAll(int descriptor, void* data, size_t size) {
  char* next = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t got = read(descriptor, next, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    next += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

uint64_t AddressSpaceBytes() {
  unsigned long long pages = 0;
  FILE* file = std::fopen("/proc/self/statm", "r");
  if (file == nullptr) return 0;
  if (std::fscanf(file, "%llu", &pages) != 1) pages = 0;
  std::fclose(file);
  return pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

// Before each page: the address space may grow by `mebibytes` beyond what
// it holds now (the parent's, shared until written, and what earlier pages
// left), and never past the limit the child started with.
void LimitMemory(int32_t mebibytes, rlim_t inherited) {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0) return;
  const uint64_t wanted = AddressSpaceBytes() + static_cast<uint64_t>(mebibytes) * kBytesPerMebibyte;
  limit.rlim_cur = inherited == RLIM_INFINITY || wanted < inherited ? wanted : inherited;
  setrlimit(RLIMIT_AS, &limit);
}

// Dies with the parent, leaves the parent's signal clean-up (removing its
// unfinished files) to the parent, sends standard error to `complaints`
// and dumps no core.
void BecomeChild(pid_t parent, int complaints) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(kChildCannotSend);
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(signalNumber, SIG_DFL);
  dup2(complaints, STDERR_FILENO);
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
}

bool SendPixels(int descriptor, const DrawnRows& drawn) {
  // Rows gathered into pieces of a pipe's size: a write per row would wake
  // the parent for every row.
  const size_t rowBytes = static_cast<size_t>(drawn.width) * 3;
  std::vector<uint8_t> piece;
  piece.reserve(std::max(rowBytes, static_cast<size_t>(kPipeBytes)));
  for (int32_t y = 0; y < drawn.height; ++y) {
    if (piece.size() + rowBytes > piece.capacity()) {
      if (!WriteAll(descriptor, piece.data(), piece.size())) return false;
      piece.clear();
    }
    const uint8_t* row = drawn.rows + drawn.stride * static_cast<size_t>(y);
    piece.insert(piece.end(), row, row + rowBytes);
  }
  return WriteAll(descriptor, piece.data(), piece.size());
}

// What the child makes of a request, before it is sent.
struct Result {
  Outcome outcome = kRefused;
  DrawnRows drawn;
  std::string extra;  // with the pixels, or the answer
  std::string error;
};

bool SendResult(int descriptor, const Result& result) {
  const std::string message = result.error.substr(0, kLongestMessage);
  const bool refused = result.outcome == kRefused;
  const Header header{result.outcome, result.drawn.width, result.drawn.height,
                      refused ? static_cast<uint32_t>(message.size()) : 0,
                      refused ? 0 : static_cast<uint32_t>(result.extra.size())};
  if (!WriteAll(descriptor, &header, sizeof header)) return false;
  if (refused) return WriteAll(descriptor, message.data(), message.size());
  if (result.outcome == kPixels && !SendPixels(descriptor, result.drawn)) return false;
  return WriteAll(descriptor, result.extra.data(), result.extra.size());
}

void Answer(const Request& request, const PageDrawer& draw, const FileQuestion& question, Result& result) {
  if (request.question == kFile) {
    if (question(result.extra, result.error)) result.outcome = kAnswer;
  } else if (draw(request.page, request.dotsPerInch, result.drawn, result.extra, result.error)) {
    result.outcome = result.drawn.width > 0 && result.drawn.height > 0 ? kPixels : kRefused;
  }
  // More than the parent takes: only a drawer gone wrong would give it.
  if (result.extra.size() > kLargestChildExtraBytes) result.outcome = kRefused;
  if (result.outcome == kRefused && result.error.empty()) {
    result.error = request.question == kFile ? "cannot be read" : "is damaged (it cannot be drawn)";
  }
}

// Does what is asked until the parent closes its requests.
[[noreturn]] void RunChild(const PageDrawer& draw, const FileQuestion& question, int requests, int results) {
  rlimit inherited{};
  if (getrlimit(RLIMIT_AS, &inherited) != 0) inherited.rlim_cur = RLIM_INFINITY;
  Request request{};
  while (ReadAll(requests, &request, sizeof request)) {
    LimitMemory(request.mebibytes, inherited.rlim_cur);
    Result result;
    try {
      Answer(request, draw, question, result);
    } catch (const std::bad_alloc&) {
      result = Result();
      result.outcome = kOutOfMemory;
    }
    if (!SendResult(results, result)) _exit(kChildCannotSend);
  }
  _exit(0);
}

// --- The parent.

// Where the child's result goes as it arrives: its header, then the pixels
// and extra bytes, the answer or the message it announces.
struct Receipt {
  Header header{};
  std::string message;
  PageImage* image = nullptr;  // none for the file question
  std::string* extra = nullptr;
  uint8_t* target = nullptr;  // the header until it is whole
  size_t wanted = sizeof header;
  uint8_t* nextTarget = nullptr;  // the extra bytes, after the pixels
  size_t nextWanted = 0;
  bool headerDone = false;
  bool complete = false;
  bool malformed = false;
};

// Pixels come for a page, an answer for the file question, and whatever
// comes with them within the bounds.
bool FitsRequest(const Receipt& receipt, int64_t largestPixels) {
  const Header& header = receipt.header;
  if (header.extraBytes > kLargestChildExtraBytes) return false;
  if (header.outcome == kAnswer) return receipt.image == nullptr;
  const int64_t pixels = static_cast<int64_t>(header.width) * header.height;
  return receipt.image != nullptr && header.width >= 1 && header.height >= 1 && pixels <= largestPixels;
}

// Takes the header once whole: what follows it must fit the request's bounds.
void AcceptHeader(Receipt& receipt, int64_t largestPixels) {
  const Header& header = receipt.header;
  receipt.headerDone = true;
  receipt.wanted = 0;
  if (header.outcome == kPixels || header.outcome == kAnswer) {
    receipt.malformed = !FitsRequest(receipt, largestPixels);
    if (receipt.malformed) return;
    receipt.extra->resize(header.extraBytes);
    receipt.target = reinterpret_cast<uint8_t*>(receipt.extra->data());
    receipt.wanted = receipt.extra->size();
    if (header.outcome == kAnswer) return;
    receipt.nextTarget = receipt.target;
    receipt.nextWanted = receipt.wanted;
    receipt.image->width = header.width;
    receipt.image->height = header.height;
    receipt.image->rgb.resize(static_cast<size_t>(header.width) * static_cast<size_t>(header.height) * 3);
    receipt.target = receipt.image->rgb.data();
    receipt.wanted = receipt.image->rgb.size();
  } else if (header.outcome == kRefused) {
    receipt.malformed = header.messageBytes > kLongestMessage;
    if (receipt.malformed) return;
    receipt.message.resize(header.messageBytes);
    receipt.target = reinterpret_cast<uint8_t*>(&receipt.message[0]);
    receipt.wanted = receipt.message.size();
  } else {
    receipt.malformed = header.outcome != kOutOfMemory;
  }
}

// Reads what is there; false at the end of the stream.
bool ReceiveSome(int descriptor, Receipt& receipt, int64_t largestPixels) {
  const ssize_t got = read(descriptor, receipt.target, receipt.wanted);
  if (got < 0) return errno == EINTR || errno == EAGAIN;
  if (got == 0) return false;
  receipt.target += got;
  receipt.wanted -= static_cast<size_t>(got);
  if (receipt.wanted == 0 && !receipt.headerDone) {
    AcceptHeader(receipt, largestPixels);
  } else if (receipt.wanted == 0) {
    receipt.target = receipt.nextTarget;
    receipt.wanted = receipt.nextWanted;
    receipt.nextWanted = 0;
  }
  receipt.complete = receipt.headerDone && receipt.wanted == 0 && !receipt.malformed;
  return !receipt.malformed;
}

// Keeps the start of the child's standard error and drops the rest; false
// at its end.
bool KeepComplaint(int descriptor, std::string& complaint) {
  char piece[kReadPiece];
  const ssize_t got = read(descriptor, piece, sizeof piece);
  if (got < 0) return errno == EINTR || errno == EAGAIN;
  if (got == 0) return false;
  const size_t room = kKeptComplaint - std::min(kKeptComplaint, complaint.size());
  complaint.append(piece, std::min(static_cast<size_t>(got), room));
  return true;
}

struct Watch {
  int results = -1;
  int complaints = -1;
  Receipt receipt;
  std::string complaint;
  bool resultsOpen = true;
  bool complaintsOpen = true;
  bool timedOut = false;
};

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The library goes on drawing, slowly and wrongly, past an allocation it
// could not make: the page is lost then.
bool GaveUpMemory(const std::string& complaint) {
  return Contains(complaint, kOutOfMemoryComplaint) || Contains(complaint, kBogusSizeComplaint);
}

// Reads both streams until the result is whole, or the child has closed
// them (it has ended) or could not allocate, or the time is up.
void WatchChild(Watch& watch, Clock::time_point deadline, int64_t largestPixels) {
  while (!watch.receipt.complete && !watch.receipt.malformed && !GaveUpMemory(watch.complaint) &&
         (watch.resultsOpen || watch.complaintsOpen)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      watch.timedOut = true;
      return;
    }
    pollfd streams[2] = {{watch.resultsOpen ? watch.results : -1, POLLIN, 0},
                         {watch.complaintsOpen ? watch.complaints : -1, POLLIN, 0}};
    if (poll(streams, 2, static_cast<int>(std::min<long long>(left, INT32_MAX))) < 0) {
      if (errno == EINTR) continue;
      watch.timedOut = true;  // cannot watch it: end it as though its time were up
      return;
    }
    if (streams[0].revents != 0) watch.resultsOpen = ReceiveSome(watch.results, watch.receipt, largestPixels);
    if (streams[1].revents != 0) watch.complaintsOpen = KeepComplaint(watch.complaints, watch.complaint);
  }
}

// Failures are worded for what the child was asked: a page or the file.
struct Task {
  const char* toDo;
  const char* doing;
  const char* failed;
};
constexpr Task kDrawing{"to draw", "drawing it", "is damaged (it cannot be drawn)"};
constexpr Task kReading{"to read", "reading it", "cannot be read"};

// Why a child that sent no whole result ended, worded to follow "page N"
// or the file's name.
std::string Failure(const DrawingLimits& limits, const Watch& watch, int status, const Task& task) {
  const bool outOfMemory = watch.receipt.headerDone && watch.receipt.header.outcome == kOutOfMemory;
  if (outOfMemory || Contains(watch.complaint, kOutOfMemoryComplaint)) {
    return "needs more than " + std::to_string(limits.mebibytes) + " MiB of memory " + task.toDo +
           " (raise the limit with " + kDrawingMemoryOption + ")";
  }
  if (watch.timedOut) {
    return "took longer than " + std::to_string(limits.seconds) + " s " + task.toDo + " (raise the limit with " +
           kDrawingSecondsOption + ")";
  }
  if (Contains(watch.complaint, kBogusSizeComplaint)) {
    return "is damaged (" + std::string(task.doing) + " asks for an impossible amount of memory)";
  }
  if (WIFSIGNALED(status)) {
    return "is damaged (" + std::string(task.doing) + " ended in " + strsignal(WTERMSIG(status)) + ")";
  }
  return task.failed;
}

void CloseEnd(int& end) {
  if (end >= 0) close(end);
  end = -1;
}

}  // namespace

std::mutex& ChildStartLock() {
  static std::mutex lock;
  return lock;
}

bool DrawingChild::Start(std::string& error) {
  const std::lock_guard<std::mutex> held(ChildStartLock());
  // Each channel's first end is the parent's. Requests go over a socket, so
  // that one sent to a child that has ended fails instead of raising SIGPIPE.
  int requests[2] = {-1, -1};
  int results[2] = {-1, -1};
  int complaints[2] = {-1, -1};
  const bool opened = socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, requests) == 0 &&
                      pipe2(results, O_CLOEXEC) == 0 && pipe2(complaints, O_CLOEXEC) == 0;
  if (opened) {
    fcntl(results[1], F_SETPIPE_SZ, kPipeBytes);
    starter_ = std::this_thread::get_id();
    const pid_t parent = getpid();
    child_ = fork();
    if (child_ == 0) {
      BecomeChild(parent, complaints[1]);
      RunChild(draw_, question_, requests[1], results[1]);
    }
  }
  const int failure = errno;
  CloseEnd(requests[1]);
  CloseEnd(results[1]);
  CloseEnd(complaints[1]);
  requests_ = requests[0];
  results_ = results[0];
  complaints_ = complaints[0];
  if (child_ > 0) return true;
  error = "cannot be drawn (no process to draw it in: " + std::string(std::strerror(failure)) + ")";
  End();
  return false;
}

int DrawingChild::End() {
  int status = 0;
  if (child_ > 0) {
    kill(child_, SIGKILL);
    while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  child_ = -1;
  CloseEnd(requests_);
  CloseEnd(results_);
  CloseEnd(complaints_);
  return status;
}

bool DrawingChild::Run(int32_t page, int32_t dotsPerInch, const DrawingLimits& limits, int64_t largestPixels,
                       PageImage* image, std::string& extra, std::string& error) {
  extra.clear();
  if (child_ > 0 && starter_ != std::this_thread::get_id()) End();
  if (child_ <= 0 && !Start(error)) return false;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(limits.seconds);
  const Request request{image != nullptr ? kPage : kFile, page, dotsPerInch, limits.mebibytes};
  Watch watch;
  watch.results = results_;
  watch.complaints = complaints_;
  watch.receipt.image = image;
  watch.receipt.extra = &extra;
  watch.receipt.target = reinterpret_cast<uint8_t*>(&watch.receipt.header);
  // A child that cannot take the request has ended: what it left says why.
  if (send(requests_, &request, sizeof request, MSG_NOSIGNAL) == sizeof request) {
    WatchChild(watch, deadline, largestPixels);
  }
  const int32_t outcome = watch.receipt.header.outcome;
  if (watch.receipt.complete && (outcome == kPixels || outcome == kAnswer)) return true;
  const bool refused = watch.receipt.complete && outcome == kRefused;
  // A child that failed is not trusted with the next request.
  const int status = refused ? 0 : End();
  extra.clear();
  error = refused ? watch.receipt.message : Failure(limits, watch, status, image != nullptr ? kDrawing : kReading);
  return false;
}

bool DrawingChild::Draw(int32_t page, int32_t dotsPerInch, const DrawingLimits& limits, int64_t largestPixels,
                        PageImage& image, std::string& extra, std::string& error) {
  image = PageImage{};
  if (Run(page, dotsPerInch, limits, largestPixels, &image, extra, error)) return true;
  image = PageImage{};
  return false;
}

bool DrawingChild::Ask(const DrawingLimits& limits, std::string& answer, std::string& error) {
  return Run(0, 0, limits, 0, nullptr, answer, error);
}
