#include "kwentool/page_pipeline.h"

// Clang 14's address sanitizer keeps its allocator's locks across fork(), so
// a PDF file's drawing child started while another thread allocates can
// wait for them for good. Built with it, pages are read on the one thread,
// as where the tool chain has no threads.
#if defined(__clang_major__) && __clang_major__ < 15 && defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KWEN_PAGES_ON_ONE_THREAD 1
#endif
#endif
#if defined(_WIN32) && !defined(_GLIBCXX_HAS_GTHREADS)
#define KWEN_PAGES_ON_ONE_THREAD 1
#endif

#if defined(KWEN_PAGES_ON_ONE_THREAD)

void RunPagePipeline(int32_t count, int, int32_t, const std::function<void(int32_t, int)>& prepare,
                     const std::function<bool(int32_t)>& take) {
  for (int32_t page = 0; page < count; ++page) {
    prepare(page, 0);
    if (!take(page)) return;
  }
}

int DefaultWorkers() { return 1; }

#else

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Pipeline {
  std::mutex lock;
  std::condition_variable changed;
  int32_t count;
  int32_t ahead;
  int32_t nextToPrepare = 0;
  int32_t taken = 0;  // pages taken so far
  bool stopped = false;
  std::vector<bool> ready;
};

void Work(Pipeline& pipeline, int worker, const std::function<void(int32_t, int)>& prepare) {
  for (;;) {
    int32_t page;
    {
      std::unique_lock<std::mutex> hold(pipeline.lock);
      pipeline.changed.wait(hold, [&] {
        return pipeline.stopped || pipeline.nextToPrepare >= pipeline.count ||
               pipeline.nextToPrepare < pipeline.taken + pipeline.ahead;
      });
      if (pipeline.stopped || pipeline.nextToPrepare >= pipeline.count) return;
      page = pipeline.nextToPrepare++;
    }
    prepare(page, worker);
    std::lock_guard<std::mutex> hold(pipeline.lock);
    pipeline.ready[static_cast<size_t>(page)] = true;
    pipeline.changed.notify_all();
  }
}

}  // namespace

void RunPagePipeline(int32_t count, int workers, int32_t ahead, const std::function<void(int32_t, int)>& prepare,
                     const std::function<bool(int32_t)>& take) {
  Pipeline pipeline;
  pipeline.count = count;
  pipeline.ahead = std::max<int32_t>(1, ahead);
  pipeline.ready.assign(static_cast<size_t>(count), false);
  std::vector<std::thread> threads;
  for (int worker = 0; worker < std::max(1, workers); ++worker) {
    threads.emplace_back(Work, std::ref(pipeline), worker, std::cref(prepare));
  }
  for (int32_t page = 0; page < count; ++page) {
    {
      std::unique_lock<std::mutex> hold(pipeline.lock);
      pipeline.changed.wait(hold, [&] { return pipeline.ready[static_cast<size_t>(page)]; });
    }
    const bool goOn = take(page);
    std::lock_guard<std::mutex> hold(pipeline.lock);
    pipeline.taken = page + 1;
    pipeline.stopped = !goOn;
    pipeline.changed.notify_all();
    if (!goOn) break;
  }
  for (std::thread& thread : threads) thread.join();
}

int DefaultWorkers() { return std::max(1u, std::thread::hardware_concurrency()); }

#endif
