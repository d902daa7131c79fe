// Pages worked on by several threads and taken up in order by this one:
// each page is prepared on its own, and the document, which needs them in
// order, takes each as soon as it and all before it are ready.
#pragma once

#include <cstdint>
#include <functional>

// Calls prepare(page, worker) for pages 0 to count - 1 on `workers`
// threads (worker 0 to workers - 1), at most `ahead` pages past the last
// one taken, and take(page) on this thread in page order. A take that
// returns false stops the work: no page after it is prepared or taken.
// Where the platform has no threads, each page is prepared and taken in
// turn on this one.
void RunPagePipeline(int32_t count, int workers, int32_t ahead, const std::function<void(int32_t, int)>& prepare,
                     const std::function<bool(int32_t)>& take);

// The workers a build uses when not told: one for each core.
int DefaultWorkers();
