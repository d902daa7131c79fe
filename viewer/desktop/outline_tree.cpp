#include "viewer/desktop/outline_tree.h"

#include <algorithm>

std::vector<int32_t> OutlineParents(const std::vector<kwen::OutlineItem>& outline) {
  std::vector<int32_t> parents;
  parents.reserve(outline.size());
  // The entries that can take children, one for each level from the top.
  std::vector<int32_t> open;
  for (size_t k = 0; k < outline.size(); ++k) {
    const size_t level = static_cast<size_t>(std::max(0, outline[k].level));
    if (open.size() > level) open.resize(level);
    parents.push_back(open.empty() ? kOutlineTop : open.back());
    open.push_back(static_cast<int32_t>(k));
  }
  return parents;
}
