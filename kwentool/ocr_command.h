// kwentool ocr: a document with the words of its pages read from their
// pixels, its pages kept byte for byte.
#pragma once

#include <cstdint>
#include <string>

struct OcrArguments {
  std::string input;
  std::string output;
  std::string language;
  int32_t jobs = 0;  // 0: one for each core
};

// The arguments after "ocr": IN.kwen OUT.kwen [--lang L] [--jobs N]. False,
// with `error`, for a usage error.
bool ParseOcrArguments(int argc, const char* const* argv, OcrArguments& arguments, std::string& error);

// Reads the text of every page of the input and writes the document with
// it, packed in the window the input declares. The input's title and
// outline are kept. Returns the exit status.
int AddTextLayer(const OcrArguments& arguments);
