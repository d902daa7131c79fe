// The words of a page read from its pixels (OCR), for documents made of
// scans. Each recogniser holds an engine of its own: one per thread, never
// shared, so that pages are read side by side.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "kwen/document.h"
#include "kwen/text.h"

namespace tesseract {
class TessBaseAPI;
}

class TextRecogniser {
 public:
  TextRecogniser();
  ~TextRecogniser();
  TextRecogniser(const TextRecogniser&) = delete;
  TextRecogniser& operator=(const TextRecogniser&) = delete;

  // Loads the data of `language` ("eng", or several joined by '+', as
  // "eng+deu"). False, with `error` naming what is missing and where it
  // was looked for, when it cannot.
  bool Open(const std::string& language, std::string& error);

  // The words of `page`, 8-bit grey or 1-bit black (0) and white (1), at
  // `dotsPerInch` (0: unknown), lines in reading order, boxes in its
  // pixels. False, with `error`, when the engine fails.
  bool Read(const kwen::Bitmap& page, int32_t dotsPerInch, kwen::PageText& text, std::string& error);

 private:
  std::unique_ptr<tesseract::TessBaseAPI> engine_;
};

// The largest page read whole: 8192 x 8192 pixels, as large as a build
// takes. The engine's memory grows several times over a page's pixels.
constexpr int64_t kLargestReadPixels = int64_t{1} << 26;

// Page `index` of `document` as it builds (1-bit black and white pages as
// they are, others in greys), read by `recogniser`; a page of more than
// `largestPixels` is read scaled down to that many, its words' boxes put
// back on its own pixels. The library's errors are thrown.
bool RecognisePage(TextRecogniser& recogniser, const kwen::Document& document, int32_t index, kwen::PageText& text,
                   std::string& error, int64_t largestPixels = kLargestReadPixels);

// The words as a document stores them, on a page of `width` x `height`
// pixels: boxes made rectangles on the page (words wholly off it dropped),
// words holding a space or a control character dropped, lines left without
// words dropped (a block one starts starts at the next), and no more words
// than a page holds (the rest dropped).
kwen::PageText StorableText(const kwen::PageText& text, int32_t width, int32_t height);
