#include "viewer/desktop/document_worker.h"

#include <algorithm>
#include <cmath>

#include "viewer/desktop/reader_document.h"

namespace {

// Bytes restored in one step between builds: a wanted page waits for at
// most one step.
constexpr int64_t kRestoreStepBytes = int64_t{4} << 20;
// A page shown at full size is held whole; a larger one is built only as
// large as this holds, and enlarged.
constexpr uint64_t kLargestShownBytes = uint64_t{128} << 20;
constexpr uint64_t kRgbBytes = 3;

// The page as shown at `scale`: scaled down, or whole for the view to
// enlarge; never larger than kLargestShownBytes.
QImage ShownPage(const kwen::Document& document, int32_t page, const kwen::PageInfo& info, double scale) {
  const uint64_t pixels = static_cast<uint64_t>(info.width) * static_cast<uint64_t>(info.height);
  const bool oneBit = info.bitsPerPixel == 1 && info.colours >= 2;
  if (scale >= 1 && (oneBit ? pixels / 8 : pixels * kRgbBytes) <= kLargestShownBytes) {
    return FullPageImage(document, page);
  }
  const double largest = std::sqrt(static_cast<double>(kLargestShownBytes) / static_cast<double>(pixels * kRgbBytes));
  return ScaledPageImage(document, page, std::min({scale, 1.0, largest}));
}

// The scale at which a page fits in `box`, in its proportions.
double ThumbnailScale(const kwen::PageInfo& info, const QSize& box) {
  const double across = static_cast<double>(box.width()) / std::max(1, info.width);
  const double down = static_cast<double>(box.height()) / std::max(1, info.height);
  return std::min({across, down, 1.0});
}

bool SameWish(const PageWish& a, const PageWish& b) {
  return a.page == b.page && a.scale == b.scale && a.width == b.width && a.height == b.height;
}

}  // namespace

DocumentWorker::DocumentWorker(QObject* parent) : QThread(parent) {}

DocumentWorker::~DocumentWorker() {
  {
    QMutexLocker lock(&mutex_);
    stopping_ = true;
    wake_.wakeAll();
  }
  wait();
}

quint64 DocumentWorker::open(const QString& path) {
  QMutexLocker lock(&mutex_);
  pathToOpen_ = path;
  openPending_ = true;
  wanted_.clear();
  building_ = built_ = PageWish{-1, 0.0, 0, 0};
  wake_.wakeAll();
  return ++documentNumber_;
}

void DocumentWorker::want(quint64 documentNumber, const std::vector<PageWish>& pages) {
  QMutexLocker lock(&mutex_);
  if (documentNumber != documentNumber_) return;
  wanted_.clear();
  for (const PageWish& wish : pages) {
    if (!SameWish(wish, building_) && !SameWish(wish, built_)) wanted_.push_back(wish);
  }
  wished_ = true;
  wake_.wakeAll();
}

void DocumentWorker::wantThumbnails(quint64 documentNumber, const QSize& box) {
  QMutexLocker lock(&mutex_);
  if (documentNumber != documentNumber_) return;
  thumbnailBox_ = box;
  wake_.wakeAll();
}

void DocumentWorker::runOnDocument(quint64 documentNumber, std::function<void(const kwen::Document*)> job) {
  QMutexLocker lock(&mutex_);
  jobs_.push_back({documentNumber, std::move(job)});
  wake_.wakeAll();
}

// Work in the background waits for the view's first wish: the first page
// it shows comes before anything else.
bool DocumentWorker::idle(const std::optional<Open>& open) const {
  if (openPending_ || !jobs_.empty() || !wanted_.empty()) return false;
  if (!open || !wished_) return true;
  const int32_t pages = open->document.PageCount();
  return open->extentsRead >= pages && open->restoreReported &&
         (thumbnailBox_.isEmpty() || open->thumbnailsMade >= pages);
}

void DocumentWorker::run() {
  std::optional<Open> open;
  for (;;) {
    QString path;
    quint64 number = 0;
    Job job{0, nullptr};
    PageWish wish{-1, 1.0, 0, 0};
    QSize thumbnailBox;
    {
      QMutexLocker lock(&mutex_);
      while (!stopping_ && idle(open)) wake_.wait(&mutex_);
      if (stopping_) break;
      if (openPending_) {
        path = pathToOpen_;
        number = documentNumber_;
        openPending_ = false;
        wished_ = false;
        thumbnailBox_ = QSize();
      } else if (!jobs_.empty()) {
        job = std::move(jobs_.front());
        jobs_.erase(jobs_.begin());
      } else if (!wanted_.empty()) {
        wish = wanted_.front();
        wanted_.erase(wanted_.begin());
        building_ = wish;
      }
      thumbnailBox = thumbnailBox_;
    }
    if (!path.isEmpty()) {
      openDocument(open, path, number);
    } else if (job.work) {
      job.work(open && job.documentNumber == open->number ? &open->document : nullptr);
    } else if (wish.page >= 0) {
      const bool delivered = open && buildPage(*open, wish);
      QMutexLocker lock(&mutex_);
      building_ = PageWish{-1, 0.0, 0, 0};
      if (delivered && open->number == documentNumber_) built_ = wish;
    } else if (!open) {
      continue;
    } else if (open->extentsRead < open->document.PageCount() &&
               (open->extentsRead < open->document.Progress().pagesReady ||
                open->document.Progress().state != kwen::RestoreState::kGoing)) {
      readNextExtent(*open);
    } else if (!open->restoreReported) {
      restoreStep(*open);
    } else {
      makeNextThumbnail(*open, thumbnailBox);
    }
  }
}

void DocumentWorker::openDocument(std::optional<Open>& open, const QString& path, quint64 number) {
  open.reset();
  try {
    kwen::Document document = OpenReaderDocument(path);
    open.emplace(Open{std::move(document), number, 0, 0, false});
  } catch (const std::exception& failure) {
    emit openFailed(number, path, QString::fromUtf8(failure.what()));
    return;
  }
  kwen::Document& document = open->document;
  if (document.PageCount() == 0) {
    open.reset();
    emit openFailed(number, path, tr("the document has no pages"));
    return;
  }
  // A first page that cannot be read leaves the others to read.
  open->extentsRead = 1;
  emit opened(number, path, document.PageCount());
  try {
    const kwen::PageInfo first = document.Page(0);
    emit pageExtent(number, 0, first.width, first.height, first.dotsPerInch);
  } catch (const std::exception& failure) {
    emit pageFailed(number, 0, PageFailureText(document.Progress(), 0, failure));
  }
  const kwen::RestoreProgress restore = document.Progress();
  emit progress(number, restore.restored, restore.total);
}

bool DocumentWorker::buildPage(Open& open, const PageWish& wish) {
  const kwen::Document& document = open.document;
  if (wish.page >= document.PageCount()) return true;
  try {
    const kwen::PageInfo info = document.Page(wish.page);
    // A page wanted at a size the view guessed: the view lays it out at
    // its own size and asks again.
    if (wish.width != info.width || wish.height != info.height) {
      emit pageExtent(open.number, wish.page, info.width, info.height, info.dotsPerInch);
      return false;
    }
    const QImage image = ShownPage(document, wish.page, info, wish.scale);
    emit pageBuilt(open.number, wish.page, wish.scale, image);
  } catch (const std::exception& failure) {
    emit pageFailed(open.number, wish.page, PageFailureText(document.Progress(), wish.page, failure));
  }
  if (!open.restoreReported) {
    const kwen::RestoreProgress restore = document.Progress();
    emit progress(open.number, restore.restored, restore.total);
  }
  return true;
}

void DocumentWorker::readNextExtent(Open& open) {
  const int32_t page = open.extentsRead++;
  try {
    const kwen::PageInfo info = open.document.Page(page);
    emit pageExtent(open.number, page, info.width, info.height, info.dotsPerInch);
  } catch (const std::exception& failure) {
    emit pageFailed(open.number, page, PageFailureText(open.document.Progress(), page, failure));
  }
}

// Restores a step further; once restoring stops, the window hears how it
// ended.
void DocumentWorker::restoreStep(Open& open) {
  kwen::RestoreProgress restore = open.document.Progress();
  QString ending;
  bool stopped = restore.state != kwen::RestoreState::kGoing;
  if (!stopped) {
    try {
      restore = open.document.Restore(restore.restored + kRestoreStepBytes);
      stopped = restore.state != kwen::RestoreState::kGoing;
    } catch (const std::exception& failure) {
      // The restore cannot go on (its temporary file cannot be written,
      // say): the library's text tells why.
      restore = open.document.Progress();
      ending = RestoreEnding(restore);
      if (ending.isEmpty()) ending = QString::fromUtf8(failure.what());
      stopped = true;
    }
  }
  emit progress(open.number, restore.restored, restore.total);
  if (!stopped) return;
  if (ending.isEmpty()) ending = RestoreEnding(restore);
  open.restoreReported = true;
  emit restoreEnded(open.number, ending);
}

void DocumentWorker::makeNextThumbnail(Open& open, const QSize& box) {
  if (box.isEmpty() || open.thumbnailsMade >= open.document.PageCount()) return;
  const int32_t page = open.thumbnailsMade++;
  try {
    const kwen::PageInfo info = open.document.Page(page);
    emit thumbnailBuilt(open.number, page, ScaledPageImage(open.document, page, ThumbnailScale(info, box)));
  } catch (const std::exception& failure) {
    emit pageFailed(open.number, page, PageFailureText(open.document.Progress(), page, failure));
  }
}
