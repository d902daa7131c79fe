// The percentage display of both runs, on standard error.
#pragma once

#include <cstdint>
#include <cstdio>

// Shows the percentage done: three backspaces, two digits and "%", at most
// 99 before the end; Complete shows 100.
struct ProgressCounter {
  int64_t step = 0;
  int64_t counted = 0;
  int percent = 0;
  FILE* stream = nullptr;
};

void StartProgress(ProgressCounter& progress, int64_t total, FILE* stream);
void CountProgress(ProgressCounter& progress, int64_t amount);
void CompleteProgress(ProgressCounter& progress);
