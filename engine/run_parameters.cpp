#include "engine/run_parameters.h"

#include "engine/bit_file.h"

int SearchExponentFor(char letter) {
  switch (letter) {
    case 'T': return 14;
    case 'S': return 12;
    case 'F': return 8;
    case 'Q': return 6;
    default: return kDefaultSearchExponent;
  }
}

int WindowExponentFor(char letter) {
  switch (letter) {
    case 'H': return 24;
    case 'L': return 23;
    case 'M': return 22;
    case '2': return 21;
    case 'C': return 15;
    case 'S': return 14;
    case 'T': return 12;
    default: return kDefaultWindowExponent;
  }
}

Switches ParseSwitches(int argc, const char* const* argv) {
  Switches switches;
  if (argc > 4 && argv[4][0] == '/') switches.searchExponent = SearchExponentFor(argv[4][1]);
  if (argc > 5 && argv[5][0] == '/') switches.windowExponent = WindowExponentFor(argv[5][1]);
  return switches;
}

WindowChoice ChooseWindow(int64_t sourceSize, int windowExponent) {
  int lengthBits = BitLength(static_cast<uint32_t>(sourceSize));
  int exponent = lengthBits <= windowExponent ? lengthBits : windowExponent;
  int64_t largest = int64_t{1} << exponent;
  return WindowChoice{exponent, static_cast<int32_t>(sourceSize <= largest ? sourceSize : largest)};
}
