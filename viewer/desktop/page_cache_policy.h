// Which built pages the reader keeps: least recently used first out, within
// a byte budget, never a page the view needs now; and which pages to build
// next: the visible ones, then their neighbours.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

struct CachedPage {
  int32_t page;
  uint64_t bytes;
};

struct PageCachePolicy {
  uint64_t budget = 0;
  uint64_t held = 0;
  std::list<CachedPage> entries;  // most recently used first
};

// Records page `page` of `bytes` as just built or used.
void TouchPage(PageCachePolicy& cache, int32_t page, uint64_t bytes);
bool HoldsPage(const PageCachePolicy& cache, int32_t page);
void ForgetPage(PageCachePolicy& cache, int32_t page);
// The pages to drop, oldest first, until the held bytes are within the
// budget; pages in [keepFirst, keepLast] stay even over it. Removes them.
std::vector<int32_t> EvictOverBudget(PageCachePolicy& cache, int32_t keepFirst, int32_t keepLast);

// The pages to have built, most urgent first: the visible [first, last],
// then alternately `ahead` pages after and half as many before, within
// [0, pageCount).
std::vector<int32_t> PagesToBuild(int32_t first, int32_t last, int32_t ahead, int32_t pageCount);
