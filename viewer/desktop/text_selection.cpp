#include "viewer/desktop/text_selection.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// How far a coordinate lies outside [low, high).
int64_t Outside(int32_t at, int32_t low, int32_t high) {
  return std::max<int64_t>({int64_t{low} - at, 0, int64_t{at} - (int64_t{high} - 1)});
}

// How far (x, y) lies from a line's box: rows first, so that a point beside
// a line takes that line however long the lines above and below; along the
// row then, for columns side by side.
std::pair<int64_t, int64_t> LineDistance(const kwen::Box& box, int32_t x, int32_t y) {
  return {Outside(y, box.top, box.bottom), Outside(x, box.left, box.right)};
}

const kwen::PageText* PageOf(const kwen::DocumentText& text, int32_t page) {
  if (page < 0 || static_cast<size_t>(page) >= text.pages.size()) return nullptr;
  return &text.pages[static_cast<size_t>(page)];
}

// Calls `visit(point, word)` for each word of the range, in reading order.
template <typename Visit>
void ForEachWord(const kwen::DocumentText& text, const TextRange& range, Visit visit) {
  for (int32_t page = std::max(0, range.first.page); page <= range.last.page; ++page) {
    const kwen::PageText* pageText = PageOf(text, page);
    if (pageText == nullptr) return;
    for (size_t line = 0; line < pageText->lines.size(); ++line) {
      const std::vector<kwen::Word>& words = pageText->lines[line].words;
      for (size_t word = 0; word < words.size(); ++word) {
        const TextPoint point{page, static_cast<int32_t>(line), static_cast<int32_t>(word)};
        if (point < range.first) continue;
        if (range.last < point) return;
        visit(point, words[word]);
      }
    }
  }
}

}  // namespace

TextRange RangeBetween(const TextPoint& a, const TextPoint& b) { return b < a ? TextRange{b, a} : TextRange{a, b}; }

std::optional<TextPoint> WordNearest(const kwen::DocumentText& text, int32_t page, int32_t x, int32_t y) {
  const kwen::PageText* pageText = PageOf(text, page);
  if (pageText == nullptr) return std::nullopt;
  std::optional<TextPoint> nearest;
  constexpr int64_t kFar = std::numeric_limits<int64_t>::max();
  std::pair<int64_t, int64_t> nearestLine{kFar, kFar};
  for (size_t line = 0; line < pageText->lines.size(); ++line) {
    if (pageText->lines[line].words.empty()) continue;
    const kwen::Box box = kwen::LineBox(pageText->lines[line]);
    if (LineDistance(box, x, y) >= nearestLine) continue;
    nearestLine = LineDistance(box, x, y);
    const std::vector<kwen::Word>& words = pageText->lines[line].words;
    int64_t nearestWord = kFar;
    for (size_t word = 0; word < words.size(); ++word) {
      const int64_t distance = Outside(x, words[word].box.left, words[word].box.right);
      if (distance >= nearestWord) continue;
      nearestWord = distance;
      nearest = TextPoint{page, static_cast<int32_t>(line), static_cast<int32_t>(word)};
    }
  }
  return nearest;
}

std::optional<TextRange> WholePage(const kwen::DocumentText& text, int32_t page) {
  const kwen::PageText* pageText = PageOf(text, page);
  if (pageText == nullptr) return std::nullopt;
  std::optional<TextPoint> first, last;
  for (size_t line = 0; line < pageText->lines.size(); ++line) {
    const size_t words = pageText->lines[line].words.size();
    if (words == 0) continue;
    if (!first) first = TextPoint{page, static_cast<int32_t>(line), 0};
    last = TextPoint{page, static_cast<int32_t>(line), static_cast<int32_t>(words - 1)};
  }
  if (!first) return std::nullopt;
  return TextRange{*first, *last};
}

std::vector<kwen::Box> RangeBoxes(const kwen::DocumentText& text, const TextRange& range, int32_t page) {
  std::vector<kwen::Box> boxes;
  if (page < range.first.page || page > range.last.page) return boxes;
  TextRange onPage = range;
  if (onPage.first.page < page) onPage.first = TextPoint{page, 0, 0};
  if (onPage.last.page > page) onPage.last = TextPoint{page, std::numeric_limits<int32_t>::max(), 0};
  int32_t boxLine = -1;
  ForEachWord(text, onPage, [&](const TextPoint& point, const kwen::Word& word) {
    if (point.line == boxLine) {
      boxes.back() = kwen::Union(boxes.back(), word.box);
      return;
    }
    boxLine = point.line;
    boxes.push_back(word.box);
  });
  return boxes;
}

std::string RangeText(const kwen::DocumentText& text, const TextRange& range) {
  std::string joined;
  std::optional<TextPoint> previous;
  ForEachWord(text, range, [&](const TextPoint& point, const kwen::Word& word) {
    if (previous) joined += previous->page == point.page && previous->line == point.line ? ' ' : '\n';
    joined += word.text;
    previous = point;
  });
  return joined;
}
