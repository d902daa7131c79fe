// Stepping through the places a search found: where to start from the page
// in view, the next and previous place (round the document's ends), and
// the places on one page, for painting.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "kwen/text.h"

constexpr int32_t kNoHit = -1;

// The places one search found, shared by the search bar and the page view.
using TextHits = std::shared_ptr<const std::vector<kwen::TextHit>>;

// The first hit on `page` or after it; the first hit of the document when
// none lies after; kNoHit when there are none. `hits` go page by page.
int32_t FirstHitFrom(const std::vector<kwen::TextHit>& hits, int32_t page);

// The hit after (or before) `current`, round the ends; kNoHit when there
// are none. From kNoHit it is the first (or the last).
int32_t StepHit(int32_t current, size_t count, bool forward);

// The hits on `page`: [first, last) of `hits`.
std::pair<size_t, size_t> HitsOnPage(const std::vector<kwen::TextHit>& hits, int32_t page);
