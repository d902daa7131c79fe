// Draws pages in a child process bounded in time and memory for each page: a
// page that takes too long is killed, one that asks for too much memory
// fails there, and the drawing library's own complaints on standard error
// stay in the child. One child serves a file's pages, so that its fonts and
// memory, once set up, serve them all, and answers questions about the whole
// file within the same bounds. Children of several threads may run at once,
// each for its own file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "input/drawing_limits.h"
#include "input/page_image.h"

// Rows of red, green and blue bytes, top row first, as the drawing left
// them (they stay valid until the next drawing).
struct DrawnRows {
  int32_t width = 0;
  int32_t height = 0;
  const uint8_t* rows = nullptr;
  size_t stride = 0;  // bytes from one row to the next
};

// The most bytes that go with a page's pixels or answer a question about
// the file: whatever the child sends, the parent takes no more.
constexpr size_t kLargestChildExtraBytes = size_t{16} << 20;

// Runs in the child: page `page` at `dotsPerInch`, with `extra` bytes to go
// with its pixels, or false with `error` worded to follow "page N" ("is
// damaged (...)").
using PageDrawer =
    std::function<bool(int32_t page, int32_t dotsPerInch, DrawnRows& drawn, std::string& extra, std::string& error)>;
// Runs in the child: facts of the whole file as `answer`, or false with
// `error` worded to follow the file's name.
using FileQuestion = std::function<bool(std::string& answer, std::string& error)>;

// Held while a child starts, and by the caller around every use of the
// drawing library outside the children: a child forked while another thread
// is inside the library would keep that thread's locks held for good, and one
// forked while another child starts would keep that child's pipe ends open,
// so that its end would go unseen. Never taken in a child.
std::mutex& ChildStartLock();

class DrawingChild {
 public:
  DrawingChild(PageDrawer draw, FileQuestion question) : draw_(std::move(draw)), question_(std::move(question)) {}
  DrawingChild(const DrawingChild&) = delete;
  DrawingChild& operator=(const DrawingChild&) = delete;
  ~DrawingChild() { End(); }

  // The pixels of the page, at most `largestPixels` of them, drawn in the
  // child (started at the first page, again after a failure, and again on
  // another thread than the last: the system ends a child with the thread
  // that started it), and the extra bytes the drawer gave with them. False,
  // with `error` worded as for PageDrawer, when the drawing fails, runs past
  // `limits`, or ends the child in any other way.
  bool Draw(int32_t page, int32_t dotsPerInch, const DrawingLimits& limits, int64_t largestPixels, PageImage& image,
            std::string& extra, std::string& error);
  // The file question's answer, asked in the child within `limits`. False,
  // with `error` worded to follow the file's name, as for Draw.
  bool Ask(const DrawingLimits& limits, std::string& answer, std::string& error);

 private:
  // Asks the child for page `page` into `image` and `extra`, or, with no
  // image, for the file question's answer into `extra`.
  bool Run(int32_t page, int32_t dotsPerInch, const DrawingLimits& limits, int64_t largestPixels, PageImage* image,
           std::string& extra, std::string& error);
  bool Start(std::string& error);
  // Kills the child if it still runs and reaps it; its wait status.
  int End();

  PageDrawer draw_;
  FileQuestion question_;
  pid_t child_ = -1;
  std::thread::id starter_;  // the thread that started the child
  int requests_ = -1;
  int results_ = -1;
  int complaints_ = -1;
};
