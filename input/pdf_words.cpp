#include "input/pdf_words.h"

#include <vector>

#include <poppler-page.h>

#include "input/text_wire.h"

namespace {

constexpr double kPointsPerInch = 72.0;

}  // namespace

bool PageWordBytes(const poppler::page& page, int32_t dotsPerInch, std::string& bytes, std::string& error) {
  // The library places words in points from the top left corner of the
  // crop box, turned as the page is: the drawing's pixels at 72 dpi.
  const double scale = dotsPerInch / kPointsPerInch;
  std::vector<PlacedWord> words;
  for (const poppler::text_box& box : page.text_list()) {
    const poppler::byte_array text = box.text().to_utf8();
    if (text.empty()) continue;
    const poppler::rectf bounds = box.bbox();
    words.push_back(PlacedWord{std::string(text.begin(), text.end()), bounds.left() * scale, bounds.top() * scale,
                               bounds.right() * scale, bounds.bottom() * scale, box.rotation(), box.has_space_after()});
  }
  return EncodeWords(words, bytes, error);
}
