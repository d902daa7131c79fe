#include "builder/spot_finder.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

// Components taller than this many times the typical height (rules, frames,
// pictures) do not stretch the line they join.
constexpr int32_t kTallFactor = 3;

int32_t FindRoot(std::vector<int32_t>& parent, int32_t index) {
  while (parent[index] != index) {
    parent[index] = parent[parent[index]];
    index = parent[index];
  }
  return index;
}

void Join(std::vector<int32_t>& parent, int32_t a, int32_t b) {
  a = FindRoot(parent, a);
  b = FindRoot(parent, b);
  if (a != b) parent[std::max(a, b)] = std::min(a, b);
}

// The first column from x on whose 8-byte group holds a non-zero byte:
// blank paper, most of a page, is passed four groups at a time.
int32_t SkipBlank(const uint8_t* row, int32_t x, int32_t width) {
  constexpr int32_t kGroup = sizeof(uint64_t), kGroups = 4;
  for (; x + kGroups * kGroup <= width; x += kGroups * kGroup) {
    uint64_t groups[kGroups];
    std::memcpy(groups, row + x, sizeof groups);
    if ((groups[0] | groups[1] | groups[2] | groups[3]) != 0) break;
  }
  for (; x + kGroup <= width; x += kGroup) {
    uint64_t group;
    std::memcpy(&group, row + x, kGroup);
    if (group != 0) break;
  }
  return x;
}

// The runs of every row, and where each row's runs begin.
void CollectRuns(const std::vector<uint8_t>& map, int32_t width, int32_t height, std::vector<Run>& runs,
                 std::vector<size_t>& rowStart) {
  rowStart.assign(static_cast<size_t>(height) + 1, 0);
  for (int32_t y = 0; y < height; ++y) {
    rowStart[y] = runs.size();
    const uint8_t* row = &map[static_cast<size_t>(y) * width];
    int32_t x = 0;
    while (x < width) {
      x = SkipBlank(row, x, width);
      while (x < width && row[x] == 0) ++x;
      if (x == width) break;
      int32_t first = x;
      while (x < width && row[x] != 0) ++x;
      runs.push_back(Run{y, first, x - 1});
    }
  }
  rowStart[height] = runs.size();
}

// Runs of neighbouring rows touch when their columns overlap or meet at a
// corner.
void JoinTouchingRuns(const std::vector<Run>& runs, const std::vector<size_t>& rowStart, int32_t height,
                      std::vector<int32_t>& parent) {
  for (int32_t y = 1; y < height; ++y) {
    size_t above = rowStart[y - 1];
    const size_t aboveEnd = rowStart[y];
    for (size_t r = rowStart[y]; r < rowStart[y + 1]; ++r) {
      while (above < aboveEnd && runs[above].last < runs[r].first - 1) ++above;
      for (size_t a = above; a < aboveEnd && runs[a].first <= runs[r].last + 1; ++a) {
        Join(parent, static_cast<int32_t>(a), static_cast<int32_t>(r));
      }
    }
  }
}

// The runs of the map, each with its parent in the groups they join into.
struct JoinedRuns {
  std::vector<Run> runs;
  std::vector<int32_t> parent;
};

JoinedRuns JoinRuns(const std::vector<uint8_t>& map, int32_t width, int32_t height) {
  JoinedRuns joined;
  std::vector<size_t> rowStart;
  CollectRuns(map, width, height, joined.runs, rowStart);
  joined.parent.resize(joined.runs.size());
  std::iota(joined.parent.begin(), joined.parent.end(), 0);
  JoinTouchingRuns(joined.runs, rowStart, height, joined.parent);
  return joined;
}

}  // namespace

bool SpotsWithinBudget(const std::vector<uint8_t>& map, int32_t width, int32_t height) {
  const int64_t pixels = int64_t{width} * height;
  const int64_t budget = std::max(kSpotsOnAnyPage, pixels / kPixelsPerSpot);
  const JoinedRuns joined = JoinRuns(map, width, height);
  int64_t groups = 0;
  for (size_t r = 0; r < joined.parent.size(); ++r) groups += joined.parent[r] == static_cast<int32_t>(r);
  return groups <= budget;
}

std::vector<Component> FindComponents(const std::vector<uint8_t>& map, int32_t width, int32_t height) {
  JoinedRuns joined = JoinRuns(map, width, height);
  const std::vector<Run>& runs = joined.runs;
  std::vector<int32_t>& parent = joined.parent;

  // The boxes and run counts first, so that each group's runs are gathered
  // without growing its list run by run.
  std::vector<Component> components;
  std::vector<int32_t> componentOfRoot(runs.size(), -1);
  std::vector<int32_t> componentOfRun(runs.size());
  std::vector<int32_t> runCounts;
  for (size_t r = 0; r < runs.size(); ++r) {
    const int32_t root = FindRoot(parent, static_cast<int32_t>(r));
    const Run& run = runs[r];
    if (componentOfRoot[root] < 0) {
      componentOfRoot[root] = static_cast<int32_t>(components.size());
      components.push_back(Component{run.first, run.row, run.last, run.row, {}});
      runCounts.push_back(0);
    }
    const int32_t number = componentOfRoot[root];
    Component& component = components[number];
    component.left = std::min(component.left, run.first);
    component.right = std::max(component.right, run.last);
    component.bottom = run.row;
    ++runCounts[number];
    componentOfRun[r] = number;
  }
  for (size_t c = 0; c < components.size(); ++c) components[c].runs.reserve(runCounts[c]);
  for (size_t r = 0; r < runs.size(); ++r) components[componentOfRun[r]].runs.push_back(runs[r]);
  return components;
}

void SortReadingOrder(std::vector<Component>& components) {
  if (components.empty()) return;
  std::vector<int32_t> heights;
  for (const Component& c : components) heights.push_back(c.Height());
  std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
  const int32_t typical = heights[heights.size() / 2];
  const int32_t tall = kTallFactor * typical;
  auto reach = [&](const Component& c) { return c.Height() <= tall ? c.bottom : c.top + typical - 1; };

  std::stable_sort(components.begin(), components.end(),
                   [](const Component& a, const Component& b) { return a.top < b.top; });
  // Consecutive components whose tops lie above the line's bottom form a line.
  std::vector<Component> ordered;
  ordered.reserve(components.size());
  size_t lineStart = 0;
  int32_t lineBottom = reach(components[0]);
  auto closeLine = [&](size_t end) {
    std::stable_sort(components.begin() + lineStart, components.begin() + end,
                     [](const Component& a, const Component& b) { return a.left < b.left; });
    for (size_t i = lineStart; i < end; ++i) ordered.push_back(std::move(components[i]));
    lineStart = end;
  };
  for (size_t i = 1; i < components.size(); ++i) {
    const Component& c = components[i];
    if (c.top > lineBottom) {
      closeLine(i);
      lineBottom = reach(c);
    } else {
      lineBottom = std::max(lineBottom, reach(c));
    }
  }
  closeLine(components.size());
  components = std::move(ordered);
}

std::vector<uint8_t> ComponentMask(const Component& component) {
  const size_t rowBytes = (static_cast<size_t>(component.Width()) + 7) / 8;
  std::vector<uint8_t> mask(rowBytes * component.Height(), 0);
  for (const Run& run : component.runs) {
    uint8_t* row = &mask[rowBytes * (component.bottom - run.row)];
    for (int32_t x = run.first - component.left; x <= run.last - component.left; ++x) {
      row[x >> 3] |= static_cast<uint8_t>(0x80u >> (x & 7));
    }
  }
  return mask;
}
