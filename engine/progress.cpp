#include "engine/progress.h"

constexpr int kProgressSteps = 99;

void StartProgress(ProgressCounter& progress, int64_t total, FILE* stream) {
  progress.step = total / kProgressSteps;
  progress.counted = 0;
  progress.percent = 0;
  progress.stream = stream;
}

void CountProgress(ProgressCounter& progress, int64_t amount) {
  progress.counted += amount;
  if (progress.counted >= progress.step && progress.percent < kProgressSteps) {
    progress.counted = 0;
    ++progress.percent;
    if (progress.stream != nullptr) std::fprintf(progress.stream, "\b\b\b%02d%c", progress.percent, '%');
  }
}

void CompleteProgress(ProgressCounter& progress) {
  if (progress.stream != nullptr) std::fprintf(progress.stream, "\b\b\b100%c", '%');
}
