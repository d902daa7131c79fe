// The bounds on drawing one page of a document file (a PDF page), so that a
// hostile file costs a bounded time and memory and a message naming the page.
#pragma once

#include <cstdint>

// Ordinary pages at 300 dpi draw in a small fraction of a second; the
// largest page taken (2^26 pixels, a full-page photograph) in under two
// seconds and 450 MiB. Pages of transparency groups take a bitmap more.
constexpr int32_t kDefaultDrawingSeconds = 10;
constexpr int32_t kDefaultDrawingMebibytes = 1024;
constexpr int32_t kLongestDrawingSeconds = 24 * 60 * 60;
constexpr int32_t kLargestDrawingMebibytes = 1 << 20;  // 1 TiB

// The build's options that raise them, for its parser and its messages.
constexpr char kDrawingSecondsOption[] = "--pdf-timeout";
constexpr char kDrawingMemoryOption[] = "--pdf-memory";

struct DrawingLimits {
  int32_t seconds = kDefaultDrawingSeconds;      // wall-clock time
  int32_t mebibytes = kDefaultDrawingMebibytes;  // memory beyond what the program holds already
};
