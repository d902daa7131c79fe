#include "library/parallel.h"

#include <vector>

#if !defined(KWEN_ONE_THREAD)
#include <thread>
#endif

int ProcessorCount() {
#if defined(KWEN_ONE_THREAD) || (defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__))
  return 1;
#else
  const unsigned count = std::thread::hardware_concurrency();
  return count == 0 ? 1 : static_cast<int>(count);
#endif
}

void RunTogether(int count, const std::function<void(int)>& work) {
#if defined(KWEN_ONE_THREAD) || (defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__))
  for (int i = 0; i < count; ++i) work(i);
#else
  std::vector<std::thread> running;
  for (int i = 1; i < count; ++i) running.emplace_back(work, i);
  work(0);
  for (std::thread& thread : running) thread.join();
#endif
}
