#include "viewer/desktop/document_worker.h"

#include <memory>

#include "viewer/desktop/reader_document.h"

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
  // The first page is wanted before the view has laid the document out.
  wanted_ = {0};
  wake_.wakeAll();
  return ++documentNumber_;
}

void DocumentWorker::want(quint64 documentNumber, const std::vector<int32_t>& pages) {
  QMutexLocker lock(&mutex_);
  if (documentNumber != documentNumber_) return;
  wanted_ = pages;
  wake_.wakeAll();
}

void DocumentWorker::wantThumbnails(quint64 documentNumber, const QSize& box) {
  QMutexLocker lock(&mutex_);
  if (documentNumber != documentNumber_) return;
  thumbnailBox_ = box;
  wake_.wakeAll();
}

void DocumentWorker::runOnDocument(quint64 documentNumber, std::function<void(ReaderDocument*)> job) {
  QMutexLocker lock(&mutex_);
  jobs_.push_back({documentNumber, std::move(job)});
  wake_.wakeAll();
}

namespace {

// The size of a page's thumbnail: as large as fits in `box`, in the page's proportions.
QSize ThumbnailSize(const QImage& page, const QSize& box) {
  return page.size().scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

}  // namespace

void DocumentWorker::run() {
  std::unique_ptr<ReaderDocument> document;
  quint64 number = 0;
  int32_t extentsRead = 0;
  int32_t thumbnailsMade = 0;
  bool restoreReported = false;
  for (;;) {
    QString path;
    bool openNow = false;
    Job job{0, nullptr};
    int32_t page = -1;
    QSize thumbnailBox;
    {
      QMutexLocker lock(&mutex_);
      const auto idle = [&] {
        return !openPending_ && jobs_.empty() && wanted_.empty() &&
               !(document && (extentsRead < document->pageCount || !restoreReported ||
                              (!thumbnailBox_.isEmpty() && thumbnailsMade < document->pageCount)));
      };
      while (!stopping_ && idle()) wake_.wait(&mutex_);
      if (stopping_) break;
      if (openPending_) {
        openNow = true;
        path = pathToOpen_;
        number = documentNumber_;
        openPending_ = false;
        thumbnailBox_ = QSize();
      } else if (!jobs_.empty()) {
        job = std::move(jobs_.front());
        jobs_.erase(jobs_.begin());
      } else if (!wanted_.empty()) {
        page = wanted_.front();
        wanted_.erase(wanted_.begin());
      }
      thumbnailBox = thumbnailBox_;
    }
    if (openNow) {
      document = std::make_unique<ReaderDocument>();
      extentsRead = 0;
      thumbnailsMade = 0;
      restoreReported = false;
      try {
        OpenReaderDocument(*document, path);
      } catch (const std::exception& failure) {
        document.reset();
        emit openFailed(number, path, QString::fromLocal8Bit(failure.what()));
        continue;
      }
      try {
        const PageExtent first = ReadPageExtent(*document, 0);
        extentsRead = 1;
        emit opened(number, path, document->pageCount);
        emit pageExtent(number, 0, first.width, first.height, first.dotsPerInch);
        emit progress(number, RestoredBytes(*document), document->documentBytes);
      } catch (const std::exception& failure) {
        const QString reason = PageFailureText(*document, 0, failure);
        document.reset();
        emit openFailed(number, path, reason);
      }
    } else if (job.work) {
      job.work(document && job.documentNumber == number ? document.get() : nullptr);
    } else if (page >= 0) {
      if (!document || page >= document->pageCount) continue;
      try {
        BuildPage(*document, page);
        const QImage image = PageStateImage(document->page);
        emit pageBuilt(number, page, image);
      } catch (const std::exception& failure) {
        emit pageFailed(number, page, PageFailureText(*document, page, failure));
      }
      if (!restoreReported) emit progress(number, RestoredBytes(*document), document->documentBytes);
    } else if (document && extentsRead < document->pageCount) {
      const int32_t next = extentsRead++;
      try {
        const PageExtent extent = ReadPageExtent(*document, next);
        emit pageExtent(number, next, extent.width, extent.height, extent.dotsPerInch);
      } catch (const std::exception& failure) {
        emit pageFailed(number, next, PageFailureText(*document, next, failure));
      }
      emit progress(number, RestoredBytes(*document), document->documentBytes);
    } else if (document && !restoreReported) {
      // Every page's headers are read: the rest of the last page is
      // restored too, so that the whole document is at hand, and the
      // window hears how restoring ended.
      RestoreWhole(*document);
      restoreReported = true;
      emit progress(number, RestoredBytes(*document), document->documentBytes);
      emit restoreEnded(number, RestoreEnding(*document));
    } else if (document) {
      if (thumbnailBox.isEmpty() || thumbnailsMade >= document->pageCount) continue;
      const int32_t next = thumbnailsMade++;
      try {
        BuildPage(*document, next);
        const QImage image = PageStateImage(document->page);
        emit thumbnailBuilt(number, next, ScaledPage(image, ThumbnailSize(image, thumbnailBox)));
      } catch (const std::exception& failure) {
        emit pageFailed(number, next, PageFailureText(*document, next, failure));
      }
    }
  }
}
