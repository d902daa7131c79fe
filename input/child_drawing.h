// Draws pages in a child process bounded in time and memory for each page: a
// page that takes too long is killed, one that asks for too much memory
// fails there, and the drawing library's own complaints on standard error
// stay in the child. One child serves a file's pages, so that its fonts and
// memory, once set up, serve them all. Children of several threads may run
// at once, each for its own file.
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

// Runs in the child: page `page` at `dotsPerInch`, or false with `error`
// worded to follow "page N" ("is damaged (...)").
using PageDrawer = std::function<bool(int32_t page, int32_t dotsPerInch, DrawnRows& drawn, std::string& error)>;

// Held while a child starts, and by the caller around every use of the
// drawing library outside the children: a child forked while another thread
// is inside the library would keep that thread's locks held for good, and one
// forked while another child starts would keep that child's pipe ends open,
// so that its end would go unseen. Never taken in a child.
std::mutex& ChildStartLock();

class DrawingChild {
 public:
  explicit DrawingChild(PageDrawer draw) : draw_(std::move(draw)) {}
  DrawingChild(const DrawingChild&) = delete;
  DrawingChild& operator=(const DrawingChild&) = delete;
  ~DrawingChild() { End(); }

  // The pixels of the page, at most `largestPixels` of them, drawn in the
  // child (started at the first page, again after a failure, and again on
  // another thread than the last: the system ends a child with the thread
  // that started it). False, with `error` worded as for PageDrawer, when the
  // drawing fails, runs past `limits`, or ends the child in any other way.
  bool Draw(int32_t page, int32_t dotsPerInch, const DrawingLimits& limits, int64_t largestPixels, PageImage& image,
            std::string& error);

 private:
  bool Start(std::string& error);
  // Kills the child if it still runs and reaps it; its wait status.
  int End();

  PageDrawer draw_;
  pid_t child_ = -1;
  std::thread::id starter_;  // the thread that started the child
  int requests_ = -1;
  int results_ = -1;
  int complaints_ = -1;
};
