#include "viewer/desktop/page_cache_policy.h"

#include <algorithm>

void TouchPage(PageCachePolicy& cache, int32_t page, uint64_t bytes) {
  ForgetPage(cache, page);
  cache.entries.push_front({page, bytes});
  cache.held += bytes;
}

bool HoldsPage(const PageCachePolicy& cache, int32_t page) {
  return std::any_of(cache.entries.begin(), cache.entries.end(),
                     [page](const CachedPage& entry) { return entry.page == page; });
}

void ForgetPage(PageCachePolicy& cache, int32_t page) {
  for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it) {
    if (it->page == page) {
      cache.held -= it->bytes;
      cache.entries.erase(it);
      return;
    }
  }
}

std::vector<int32_t> EvictOverBudget(PageCachePolicy& cache, int32_t keepFirst, int32_t keepLast) {
  std::vector<int32_t> dropped;
  auto it = cache.entries.end();
  while (cache.held > cache.budget && it != cache.entries.begin()) {
    --it;
    if (it->page >= keepFirst && it->page <= keepLast) continue;
    dropped.push_back(it->page);
    cache.held -= it->bytes;
    it = cache.entries.erase(it);
  }
  return dropped;
}

std::vector<int32_t> PagesToBuild(int32_t first, int32_t last, int32_t ahead, int32_t pageCount) {
  std::vector<int32_t> pages;
  first = std::max(first, 0);
  last = std::min(last, pageCount - 1);
  for (int32_t page = first; page <= last; ++page) pages.push_back(page);
  const int32_t behind = ahead / 2;
  for (int32_t k = 1; k <= ahead; ++k) {
    if (last + k < pageCount) pages.push_back(last + k);
    if (k <= behind && first - k >= 0) pages.push_back(first - k);
  }
  return pages;
}
