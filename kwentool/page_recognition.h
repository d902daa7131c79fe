// The words of a document's pages read from their pixels (OCR), on every
// core, for kwentool build --ocr and kwentool ocr.
#pragma once

#include <string>
#include <vector>

#include "kwen/document.h"
#include "kwen/text.h"

struct RecognitionSettings {
  std::string language;  // the engine's name, e.g. "eng" or "eng+deu"
  int workers = 1;
  bool verbose = false;  // a line for each page: its words
};

// False, with `error`, when this build cannot read text or has no data for
// the language: asked before any work is done.
bool CanRecognise(const std::string& language, std::string& error);

// Every page of `document` as it builds, in page order, with "recognising
// text: page n of N" on standard error. False, with `error` naming the
// page, when one cannot be read.
bool RecognisePages(const kwen::Document& document, const RecognitionSettings& settings,
                    std::vector<kwen::PageText>& pages, std::string& error);
