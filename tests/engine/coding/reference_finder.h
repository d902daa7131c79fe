// The match finder as first written: the plain walk of the chain, one
// candidate and one byte at a time. It defines the parse; the tests hold
// the fast finder to it token for token.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/coding/match_finder.h"

struct ReferenceFinder {
  const uint8_t* next = nullptr;
  const uint8_t* end = nullptr;
  int32_t windowSize = 0;
  int32_t searchLimit = 0;
  int32_t fill = 0;
  std::vector<uint8_t> window;
  std::vector<int32_t> link;
  std::vector<int32_t> contextTable[kContextTables];
  uint32_t contextRegister = 0;
  int32_t registerCount = 1;
  int32_t currentSlot = -1;
  int32_t currentPosition = -1;
  int32_t endFlag = 0;
};

// Over `size` bytes at `data`, with the window and limit a run would use.
void StartReferenceFinder(ReferenceFinder& finder, const uint8_t* data, uint64_t size, int32_t windowSize,
                          int32_t searchLimit);
bool ReferenceFindToken(ReferenceFinder& finder, Token* token);
