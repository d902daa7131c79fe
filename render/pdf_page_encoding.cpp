#include "render/pdf_page_encoding.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

// What the threads share: the work, and how far it has come.
struct Encoding {
  Encoding(const kwen::Document& source, const std::vector<int32_t>& wanted, PageSpool& into,
           std::vector<SpooledPage>& results)
      : document(source), pages(wanted), spool(into), coded(results) {}

  const kwen::Document& document;
  const std::vector<int32_t>& pages;
  PageSpool& spool;
  std::vector<SpooledPage>& coded;
  std::atomic<size_t> next{0};
  std::mutex mutex;
  std::condition_variable changed;
  int32_t done = 0;
  int32_t working = 0;  // threads not yet finished
  bool failed = false;
  size_t failedAt = SIZE_MAX;  // the position in `pages` of the first failure
  EncodingFailure failure;
};

// The picture's coded images into the spool, what they are into `out`.
bool Keep(PageSpool& spool, PdfPagePicture& picture, SpooledPage& out, EncodingFailure& failure) {
  out.paper = picture.paper;
  for (PdfImage& image : picture.images) {
    out.images.push_back(SpooledImage{std::move(image.format), {}});
    if (!spool.Append(image.coded, out.images.back().span, failure.error)) {
      failure.page = -1;  // not the page's fault
      return false;
    }
  }
  return true;
}

// Builds and codes page `page` into `out`, its pictures into the spool.
// False with `failure` telling why.
bool EncodePage(Encoding& encoding, int32_t page, SpooledPage& out, EncodingFailure& failure) {
  failure.page = page;
  try {
    const kwen::PageInfo info = encoding.document.Page(page);
    out.width = info.width;
    out.height = info.height;
    out.dotsPerInch = info.dotsPerInch;
    // A blank page is not even built.
    if (info.blank) return true;
    PdfPagePicture picture;
    {
      const kwen::Bitmap built = encoding.document.BuildPage(page);
      out.width = built.width;
      out.height = built.height;
      if (!EncodePagePicture(built, picture, failure.error)) return false;
    }
    return Keep(encoding.spool, picture, out, failure);
  } catch (const std::bad_alloc&) {
    failure.error = "not enough memory for the page";
  } catch (const std::exception& error) {
    failure.error = error.what();
  }
  return false;
}

void Record(Encoding& encoding, size_t position, bool coded, EncodingFailure& failure) {
  std::lock_guard<std::mutex> lock(encoding.mutex);
  if (coded) {
    ++encoding.done;
  } else {
    encoding.failed = true;
    if (position < encoding.failedAt) {
      encoding.failedAt = position;
      encoding.failure = std::move(failure);
    }
  }
  encoding.changed.notify_all();
}

void Work(Encoding& encoding) {
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(encoding.mutex);
      if (encoding.failed) break;
    }
    const size_t position = encoding.next++;
    if (position >= encoding.pages.size()) break;
    EncodingFailure failure;
    const bool coded = EncodePage(encoding, encoding.pages[position], encoding.coded[position], failure);
    Record(encoding, position, coded, failure);
  }
  std::lock_guard<std::mutex> lock(encoding.mutex);
  --encoding.working;
  encoding.changed.notify_all();
}

// Tells `progress` of each page done until every thread has finished.
void Follow(Encoding& encoding, const std::function<void(int32_t done, int32_t total)>& progress) {
  const int32_t total = static_cast<int32_t>(encoding.pages.size());
  int32_t told = 0;
  std::unique_lock<std::mutex> lock(encoding.mutex);
  for (;;) {
    encoding.changed.wait(lock, [&] { return encoding.done > told || encoding.working == 0; });
    const int32_t done = encoding.done;
    const bool finished = encoding.working == 0;
    if (progress && !encoding.failed) {
      lock.unlock();
      for (; told < done; ++told) progress(told + 1, total);
      lock.lock();
    }
    told = done;
    if (finished) return;
  }
}

}  // namespace

bool EncodePages(const kwen::Document& document, const std::vector<int32_t>& pages, int threads, PageSpool& spool,
                 const std::function<void(int32_t done, int32_t total)>& progress, std::vector<SpooledPage>& coded,
                 EncodingFailure& failure) {
  coded.assign(pages.size(), SpooledPage{});
  if (pages.empty()) return true;
  Encoding encoding(document, pages, spool, coded);
  const size_t wanted = threads > 0 ? static_cast<size_t>(threads) : std::max(1u, std::thread::hardware_concurrency());
  const size_t count = std::min(wanted, pages.size());
  encoding.working = static_cast<int32_t>(count);
  std::vector<std::thread> workers;
  try {
    while (workers.size() < count) workers.emplace_back(Work, std::ref(encoding));
  } catch (const std::system_error&) {
    // Fewer threads than asked; none at all: this one does the work.
    std::lock_guard<std::mutex> lock(encoding.mutex);
    encoding.working -= static_cast<int32_t>(count - workers.size());
  }
  if (workers.empty()) {
    encoding.working = 1;
    Work(encoding);
  }
  Follow(encoding, progress);
  for (std::thread& worker : workers) worker.join();
  if (!encoding.failed) return true;
  failure = std::move(encoding.failure);
  return false;
}
