// The two run parameters: the search exponent s (the match finder gives up
// after 2^s fruitless candidates in a row) and the window exponent e (the
// window holds up to 2^e bytes; e is the packed file's header).
#pragma once

#include <cstdint>

constexpr int kDefaultSearchExponent = 10;
constexpr int kDefaultWindowExponent = 20;
constexpr int64_t kLargestSource = INT32_MAX;

// Run parameters from the fourth (search) and fifth (size) argument.
struct Switches {
  int searchExponent = kDefaultSearchExponent;
  int windowExponent = kDefaultWindowExponent;
};

Switches ParseSwitches(int argc, const char* const* argv);
int SearchExponentFor(char letter);
int WindowExponentFor(char letter);

// The window of a source of `size` bytes: the exponent is lowered to the
// size's bit length, and the window holds min(size, 2^exponent) bytes.
struct WindowChoice {
  int exponent;
  int32_t size;
};
WindowChoice ChooseWindow(int64_t sourceSize, int windowExponent);
