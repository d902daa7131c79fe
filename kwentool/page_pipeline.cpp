#include "kwentool/page_pipeline.h"

#if defined(_WIN32) && !defined(_GLIBCXX_HAS_GTHREADS)

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
