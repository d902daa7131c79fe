#include "kwentool/source_outline.h"

#include <cstdio>

#include "document/document_layout.h"

namespace {

void Warn(const InputFile& input, const std::string& error) {
  std::fprintf(stderr, "kwentool: warning: %s %s; the document takes no title or outline from it\n",
               input.path.c_str(), error.c_str());
}

bool ReadTitleAndOutline(const InputFile& input, const DrawingLimits& limits, std::string& title,
                         std::vector<kwen::OutlineItem>& outline) {
  InputReader reader;
  std::string error;
  if (!OpenInputReader(input, reader, error)) {
    Warn(input, error);
    return false;
  }
  const bool read = ReadInputTitleAndOutline(reader, limits, title, outline, error);
  CloseInputReader(reader);
  if (!read) Warn(input, error);
  return read;
}

}  // namespace

std::vector<kwen::OutlineItem> OutlineOnDocument(const std::vector<kwen::OutlineItem>& fileOutline,
                                                 const std::vector<int32_t>& taken, int32_t firstIndex) {
  std::vector<kwen::OutlineItem> outline;
  // The file's levels of the entries kept above the one at hand.
  std::vector<int32_t> keptAbove;
  for (const kwen::OutlineItem& item : fileOutline) {
    while (!keptAbove.empty() && keptAbove.back() >= item.level) keptAbove.pop_back();
    int32_t index = -1;
    for (size_t k = 0; k < taken.size() && index < 0; ++k) {
      if (taken[k] == item.page + 1) index = firstIndex + static_cast<int32_t>(k);
    }
    if (index < 0) continue;
    outline.push_back(kwen::OutlineItem{item.title, index, static_cast<int32_t>(keptAbove.size())});
    keptAbove.push_back(item.level);
  }
  return outline;
}

void TakeSourceOutlines(const std::vector<InputFile>& inputs, const DrawingLimits& limits, bool keepTitle,
                        kwen::DocumentText& text) {
  int32_t firstIndex = 0;
  for (const InputFile& input : inputs) {
    std::string title;
    std::vector<kwen::OutlineItem> outline;
    if (input.kind == InputKind::kPdf && ReadTitleAndOutline(input, limits, title, outline)) {
      if (!keepTitle && text.title.empty()) text.title = title;
      std::vector<kwen::OutlineItem> mapped = OutlineOnDocument(outline, input.pages, firstIndex);
      // Each file keeps to the bound; several together may not.
      const size_t room = kLargestOutline - text.outline.size();
      if (mapped.size() > room) {
        std::fprintf(stderr, "kwentool: warning: the outlines of the inputs hold more than %zu entries; those past it "
                     "are left out\n", kLargestOutline);
        mapped.resize(room);
      }
      text.outline.insert(text.outline.end(), mapped.begin(), mapped.end());
    }
    firstIndex += static_cast<int32_t>(input.pages.size());
  }
}
