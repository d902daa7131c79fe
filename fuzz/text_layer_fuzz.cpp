// Arbitrary bytes as the text stored after a document's pages: they read
// back as text or are refused with kwen::Error, and what is read is stored
// again as the same bytes' meaning and found in without fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "kwen/error.h"
#include "kwen/text.h"

namespace {
constexpr int32_t kPagesOfDocument = 8;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kwen::DocumentText text;
  try {
    text = kwen::DecodeText(data, size, kPagesOfDocument);
  } catch (const kwen::Error&) {
    return 0;
  }
  // What was read is storable and reads back the same.
  const std::vector<uint8_t> again = kwen::EncodeText(text, kPagesOfDocument);
  if (!(kwen::DecodeText(again.data(), again.size(), kPagesOfDocument) == text)) std::abort();
  for (const kwen::PageText& page : text.pages) kwen::PlainText(page);
  if (!text.pages.empty() && !text.pages[0].lines.empty() && !text.pages[0].lines[0].words.empty()) {
    for (const kwen::TextHit& hit : kwen::FindText(text, text.pages[0].lines[0].words[0].text)) {
      if (hit.boxes.empty()) std::abort();
    }
  }
  return 0;
}
