#include "input/page_list.h"

#include <algorithm>

namespace {

constexpr char kAll[] = "all";
constexpr char kSeparator = ',';
constexpr char kRangeMark = '-';
constexpr int64_t kLargestPage = INT32_MAX;

// A page number: decimal digits only, from 1.
bool ParseNumber(const std::string& text, int32_t& number) {
  if (text.empty()) return false;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > kLargestPage) return false;
  }
  if (value < 1) return false;
  number = static_cast<int32_t>(value);
  return true;
}

bool ParseItem(const std::string& item, PageRange& range, std::string& error) {
  const size_t mark = item.find(kRangeMark);
  const std::string first = item.substr(0, mark);
  const std::string last = mark == std::string::npos ? first : item.substr(mark + 1);
  if (!ParseNumber(first, range.first) || !ParseNumber(last, range.last)) {
    error = "not a page number or range: '" + item + "' (pages count from 1)";
    return false;
  }
  if (range.last < range.first) {
    error = "the range " + item + " runs backwards";
    return false;
  }
  return true;
}

// The first page two ranges share, or 0.
int32_t FirstSharedPage(std::vector<PageRange> ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const PageRange& a, const PageRange& b) { return a.first < b.first; });
  for (size_t i = 1; i < ranges.size(); ++i) {
    if (ranges[i].first <= ranges[i - 1].last) return ranges[i].first;
  }
  return 0;
}

}  // namespace

bool ParsePageList(const std::string& text, PageList& list, std::string& error) {
  list = PageList();
  if (text == kAll) {
    list.all = true;
    return true;
  }
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(kSeparator, start);
    PageRange range{0, 0};
    if (!ParseItem(text.substr(start, end == std::string::npos ? std::string::npos : end - start), range, error)) {
      return false;
    }
    list.ranges.push_back(range);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  const int32_t shared = FirstSharedPage(list.ranges);
  if (shared != 0) {
    error = "page " + std::to_string(shared) + " is named twice in '" + text + "'";
    return false;
  }
  return true;
}

bool IsSinglePage(const PageList& list) {
  return !list.all && list.ranges.size() == 1 && list.ranges[0].first == list.ranges[0].last;
}

bool ExpandPageList(const PageList& list, int32_t pageCount, std::vector<int32_t>& pages, std::string& error) {
  pages.clear();
  if (list.all) {
    if (pageCount < 1) {
      error = "has no pages";
      return false;
    }
    for (int32_t page = 1; page <= pageCount; ++page) pages.push_back(page);
    return true;
  }
  for (const PageRange& range : list.ranges) {
    if (range.last > pageCount) {
      const int32_t beyond = std::max(range.first, pageCount + 1);
      error = "has no page " + std::to_string(beyond) + " (it has " + std::to_string(pageCount) + ")";
      return false;
    }
  }
  for (const PageRange& range : list.ranges) {
    for (int32_t page = range.first; page <= range.last; ++page) pages.push_back(page);
  }
  return true;
}
