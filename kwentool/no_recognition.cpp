// A build without the text recognition engine (the Windows one).
#include "kwentool/page_recognition.h"

namespace {

constexpr const char* kNoRecognition = "this build of kwentool cannot recognise text (the Linux build can)";

}  // namespace

bool CanRecognise(const std::string&, std::string& error) {
  error = kNoRecognition;
  return false;
}

bool RecognisePages(const kwen::Document&, const RecognitionSettings&, std::vector<kwen::PageText>&,
                    std::string& error) {
  error = kNoRecognition;
  return false;
}
