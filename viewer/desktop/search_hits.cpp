#include "viewer/desktop/search_hits.h"

#include <algorithm>

namespace {

bool BeforePage(const kwen::TextHit& hit, int32_t page) { return hit.page < page; }
bool AfterPage(int32_t page, const kwen::TextHit& hit) { return page < hit.page; }

}  // namespace

int32_t FirstHitFrom(const std::vector<kwen::TextHit>& hits, int32_t page) {
  if (hits.empty()) return kNoHit;
  const auto found = std::lower_bound(hits.begin(), hits.end(), page, BeforePage);
  return found == hits.end() ? 0 : static_cast<int32_t>(found - hits.begin());
}

int32_t StepHit(int32_t current, size_t count, bool forward) {
  if (count == 0) return kNoHit;
  const int64_t total = static_cast<int64_t>(count);
  if (current < 0 || current >= total) return forward ? 0 : static_cast<int32_t>(total - 1);
  return static_cast<int32_t>((current + (forward ? 1 : total - 1)) % total);
}

std::pair<size_t, size_t> HitsOnPage(const std::vector<kwen::TextHit>& hits, int32_t page) {
  const auto first = std::lower_bound(hits.begin(), hits.end(), page, BeforePage);
  const auto last = std::upper_bound(first, hits.end(), page, AfterPage);
  return {static_cast<size_t>(first - hits.begin()), static_cast<size_t>(last - hits.begin())};
}
