#include "input/pdf_outline.h"

#include <map>
#include <memory>
#include <set>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include "input/text_cleaning.h"
#include "input/text_wire.h"

namespace {

constexpr size_t kLongestReason = 200;

// The outline's entries in document order. The library's own outline
// helper is not used: it builds the whole tree first, with no bound on its
// size, and goes round a loop of siblings for ever.
class OutlineWalk {
 public:
  OutlineWalk(QPDF& pdf, int32_t pageCount) : pdf_(pdf), root_(pdf.getRoot()) {
    int32_t index = 0;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
      if (index == pageCount) break;
      pages_.emplace(page.getObjectHandle().getObjGen(), index++);
    }
  }

  // The entries from `first` on and their children, at `level`.
  void Walk(QPDFObjectHandle first, int32_t level) {
    for (QPDFObjectHandle item = first; item.isDictionary() && visited_ < kLargestOutline;
         item = item.getKey("/Next")) {
      if (item.isIndirect() && !seen_.insert(item.getObjGen()).second) return;  // a loop closes here
      ++visited_;
      const size_t at = outline.size();
      outline.push_back(kwen::OutlineItem{Title(item), PageOf(item), level});
      if (level < kDeepestOutlineLevel) Walk(item.getKey("/First"), level + 1);
      if (outline[at].page >= 0) continue;
      if (outline.size() > at + 1) {
        outline[at].page = outline[at + 1].page;
      } else {
        outline.pop_back();
      }
    }
  }

  std::vector<kwen::OutlineItem> outline;

 private:
  static std::string Title(QPDFObjectHandle item) {
    QPDFObjectHandle title = item.getKey("/Title");
    return title.isString() ? CleanTitle(title.getUTF8Value(), kLongestTitleBytes) : std::string();
  }

  // The page (from 0) the entry leads to, or -1.
  int32_t PageOf(QPDFObjectHandle item) {
    QPDFObjectHandle destination = item.getKey("/Dest");
    QPDFObjectHandle action = item.getKey("/A");
    if (destination.isNull() && action.isDictionary() && action.getKey("/S").isNameAndEquals("/GoTo")) {
      destination = action.getKey("/D");
    }
    if (destination.isName() || destination.isString()) destination = Named(destination);
    if (destination.isDictionary()) destination = destination.getKey("/D");
    if (!destination.isArray() || destination.getArrayNItems() < 1) return -1;
    const auto page = pages_.find(destination.getArrayItem(0).getObjGen());
    return page != pages_.end() ? page->second : -1;
  }

  // A destination by name: names in the catalog's /Dests, strings in the
  // name tree of destinations.
  QPDFObjectHandle Named(QPDFObjectHandle name) {
    if (name.isName()) {
      QPDFObjectHandle destinations = root_.getKey("/Dests");
      return destinations.isDictionary() ? destinations.getKey(name.getName()) : QPDFObjectHandle::newNull();
    }
    if (!names_) {
      QPDFObjectHandle names = root_.getKey("/Names");
      QPDFObjectHandle tree = names.isDictionary() ? names.getKey("/Dests") : QPDFObjectHandle::newNull();
      if (!tree.isDictionary()) return QPDFObjectHandle::newNull();
      names_ = std::make_unique<QPDFNameTreeObjectHelper>(tree, pdf_, false);
    }
    QPDFObjectHandle found;
    return names_->findObject(name.getUTF8Value(), found) ? found : QPDFObjectHandle::newNull();
  }

  QPDF& pdf_;
  QPDFObjectHandle root_;
  std::map<QPDFObjGen, int32_t> pages_;
  std::set<QPDFObjGen> seen_;
  size_t visited_ = 0;
  std::unique_ptr<QPDFNameTreeObjectHelper> names_;
};

}  // namespace

bool ReadPdfOutline(const char* path, int32_t pageCount, std::vector<kwen::OutlineItem>& outline, std::string& error) {
  outline.clear();
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path);
    QPDFObjectHandle outlines = pdf.getRoot().getKey("/Outlines");
    if (!outlines.isDictionary()) return true;
    OutlineWalk walk(pdf, pageCount);
    walk.Walk(outlines.getKey("/First"), 0);
    outline = std::move(walk.outline);
    return true;
  } catch (const std::exception& failure) {
    error = "has an outline that cannot be read (" + CutUtf8(failure.what(), kLongestReason) + ")";
    return false;
  }
}
