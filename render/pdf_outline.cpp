#include "render/pdf_outline.h"

#include "render/pdf_values.h"

namespace {

constexpr size_t kRoot = 0;

struct Entry {
  const kwen::OutlineItem* item = nullptr;  // none for the root
  const OutlineTarget* target = nullptr;
  std::vector<size_t> children;
  QPDFObjectHandle dictionary;
};

const OutlineTarget* TargetOf(const kwen::OutlineItem& item, const std::vector<OutlineTarget>& targets) {
  if (item.page < 0 || static_cast<size_t>(item.page) >= targets.size()) return nullptr;
  const OutlineTarget& target = targets[static_cast<size_t>(item.page)];
  QPDFObjectHandle page = target.page;  // the library's queries are not const
  return page.isNull() ? nullptr : &target;
}

// The root, then the entries kept, each under the last entry of a lower
// level before it; no recursion, however deep the levels go.
std::vector<Entry> Tree(const std::vector<kwen::OutlineItem>& items, const std::vector<OutlineTarget>& targets) {
  std::vector<Entry> entries(1);
  std::vector<size_t> open{kRoot};  // the chain from the root to the last entry
  for (const kwen::OutlineItem& item : items) {
    const OutlineTarget* target = TargetOf(item, targets);
    if (target == nullptr) continue;
    while (open.size() > 1 && entries[open.back()].item->level >= item.level) open.pop_back();
    entries[open.back()].children.push_back(entries.size());
    open.push_back(entries.size());
    entries.push_back(Entry{&item, target, {}, {}});
  }
  return entries;
}

QPDFObjectHandle Destination(const OutlineTarget& target) {
  return QPDFObjectHandle::newArray({target.page, QPDFObjectHandle::newName("/XYZ"), QPDFObjectHandle::newInteger(0),
                                     QPDFObjectHandle::newReal(PdfNumber(target.height)), QPDFObjectHandle::newNull()});
}

// Links an entry to its children, and the children to each other.
void LinkChildren(std::vector<Entry>& entries, size_t parent) {
  Entry& entry = entries[parent];
  if (entry.children.empty()) return;
  const auto count = static_cast<long long>(entry.children.size());
  entry.dictionary.replaceKey("/First", entries[entry.children.front()].dictionary);
  entry.dictionary.replaceKey("/Last", entries[entry.children.back()].dictionary);
  // The root counts the entries shown at first: its own children alone.
  entry.dictionary.replaceKey("/Count", QPDFObjectHandle::newInteger(parent == kRoot ? count : -count));
  for (size_t i = 0; i < entry.children.size(); ++i) {
    QPDFObjectHandle child = entries[entry.children[i]].dictionary;
    child.replaceKey("/Parent", entry.dictionary);
    if (i > 0) child.replaceKey("/Prev", entries[entry.children[i - 1]].dictionary);
    if (i + 1 < entry.children.size()) child.replaceKey("/Next", entries[entry.children[i + 1]].dictionary);
  }
}

}  // namespace

QPDFObjectHandle MakeOutline(QPDF& pdf, const std::vector<kwen::OutlineItem>& items,
                             const std::vector<OutlineTarget>& targets) {
  std::vector<Entry> entries = Tree(items, targets);
  if (entries.size() == 1) return QPDFObjectHandle::newNull();
  for (Entry& entry : entries) {
    QPDFObjectHandle dictionary = QPDFObjectHandle::newDictionary();
    if (entry.item == nullptr) {
      dictionary.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
    } else {
      dictionary.replaceKey("/Title", PdfTextString(entry.item->title));
      dictionary.replaceKey("/Dest", Destination(*entry.target));
    }
    entry.dictionary = pdf.makeIndirectObject(dictionary);
  }
  for (size_t parent = 0; parent < entries.size(); ++parent) LinkChildren(entries, parent);
  return entries[kRoot].dictionary;
}
