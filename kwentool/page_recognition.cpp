#include "kwentool/page_recognition.h"

#include <cstdio>
#include <memory>
#include <exception>
#include <new>

#include "builder/text_recognition.h"
#include "kwentool/page_pipeline.h"
#include "kwentool/page_progress.h"
#include "render/text_formats.h"

namespace {

// Pages read ahead of the one taken, for each worker: a slow page does not
// hold the others up, and the words waiting take little memory.
constexpr int32_t kPagesAheadPerWorker = 2;

struct ReadPage {
  kwen::PageText text;
  std::string error;
};

// Reads a page with the worker's own engine, opened at its first page.
void ReadOnWorker(const kwen::Document& document, const std::string& language, int32_t index,
                  std::unique_ptr<TextRecogniser>& recogniser, ReadPage& page) {
  const std::string name = "page " + std::to_string(index + 1);
  try {
    if (recogniser == nullptr) {
      auto opened = std::make_unique<TextRecogniser>();
      if (!opened->Open(language, page.error)) return;
      recogniser = std::move(opened);
    }
    if (!RecognisePage(*recogniser, document, index, page.text, page.error)) page.error = name + ": " + page.error;
  } catch (const kwen::Error& failure) {
    page.error = name + ": " + failure.what();
  } catch (const std::bad_alloc&) {
    page.error = name + " needs more memory to read its text than there is";
  } catch (const std::exception& failure) {
    page.error = name + ": its text could not be read (" + failure.what() + ")";
  }
}

}  // namespace

bool CanRecognise(const std::string& language, std::string& error) {
  TextRecogniser recogniser;
  return recogniser.Open(language, error);
}

bool RecognisePages(const kwen::Document& document, const RecognitionSettings& settings,
                    std::vector<kwen::PageText>& pages, std::string& error) {
  const int32_t count = document.PageCount();
  std::vector<std::unique_ptr<TextRecogniser>> recognisers(static_cast<size_t>(settings.workers));
  std::vector<std::unique_ptr<ReadPage>> read(static_cast<size_t>(count));
  pages.assign(static_cast<size_t>(count), kwen::PageText());
  const PageProgress progress = StartPageProgress(count, "recognising text: ");
  error.clear();
  RunPagePipeline(
      count, settings.workers, settings.workers * kPagesAheadPerWorker,
      [&](int32_t page, int worker) {
        auto result = std::make_unique<ReadPage>();
        ReadOnWorker(document, settings.language, page, recognisers[static_cast<size_t>(worker)], *result);
        read[static_cast<size_t>(page)] = std::move(result);
      },
      [&](int32_t page) {
        const std::unique_ptr<ReadPage> ready = std::move(read[static_cast<size_t>(page)]);
        error = ready->error;
        if (!error.empty()) return false;
        ShowPageProgress(progress, page + 1);
        pages[static_cast<size_t>(page)] = std::move(ready->text);
        if (settings.verbose) {
          std::printf("page %d: %lld words recognised\n", page + 1,
                      static_cast<long long>(WordCount(pages[static_cast<size_t>(page)])));
        }
        return true;
      });
  EndPageProgress(progress);
  return error.empty();
}
