#include "viewer/desktop/document_worker.h"

#include <algorithm>
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

void DocumentWorker::wantThumbnails(quint64 documentNumber, int width) {
  QMutexLocker lock(&mutex_);
  if (documentNumber != documentNumber_) return;
  thumbnailWidth_ = width;
  wake_.wakeAll();
}

void DocumentWorker::runOnDocument(quint64 documentNumber, std::function<void(ReaderDocument*)> job) {
  QMutexLocker lock(&mutex_);
  jobs_.push_back({documentNumber, std::move(job)});
  wake_.wakeAll();
}

void DocumentWorker::run() {
  std::unique_ptr<ReaderDocument> document;
  quint64 number = 0;
  int32_t extentsRead = 0;
  int32_t thumbnailsMade = 0;
  for (;;) {
    QString path;
    bool openNow = false;
    Job job{0, nullptr};
    int32_t page = -1;
    int thumbnailWidth = 0;
    {
      QMutexLocker lock(&mutex_);
      const auto idle = [&] {
        return !openPending_ && jobs_.empty() && wanted_.empty() &&
               !(document && (extentsRead < document->pageCount ||
                              (thumbnailWidth_ > 0 && thumbnailsMade < document->pageCount)));
      };
      while (!stopping_ && idle()) wake_.wait(&mutex_);
      if (stopping_) break;
      if (openPending_) {
        openNow = true;
        path = pathToOpen_;
        number = documentNumber_;
        openPending_ = false;
        thumbnailWidth_ = 0;
      } else if (!jobs_.empty()) {
        job = std::move(jobs_.front());
        jobs_.erase(jobs_.begin());
      } else if (!wanted_.empty()) {
        page = wanted_.front();
        wanted_.erase(wanted_.begin());
      }
      thumbnailWidth = thumbnailWidth_;
    }
    if (openNow) {
      document = std::make_unique<ReaderDocument>();
      extentsRead = 0;
      thumbnailsMade = 0;
      try {
        OpenReaderDocument(*document, path);
        const PageExtent first = ReadPageExtent(*document, 0);
        extentsRead = 1;
        emit opened(number, path, document->pageCount);
        emit pageExtent(number, 0, first.width, first.height, first.dotsPerInch);
        emit progress(number, RestoredBytes(*document), document->documentBytes);
      } catch (const std::exception& failure) {
        document.reset();
        emit openFailed(number, path, QString::fromLocal8Bit(failure.what()));
      }
    } else if (job.work) {
      job.work(document && job.documentNumber == number ? document.get() : nullptr);
    } else if (page >= 0) {
      if (!document || page >= document->pageCount) continue;
      try {
        BuildPage(*document, page);
        const QImage image = PageStateImage();
        emit pageBuilt(number, page, image);
      } catch (const std::exception& failure) {
        emit pageFailed(number, page, QString::fromLocal8Bit(failure.what()));
      }
    } else if (document && extentsRead >= document->pageCount) {
      if (thumbnailWidth <= 0 || thumbnailsMade >= document->pageCount) continue;
      const int32_t next = thumbnailsMade++;
      try {
        BuildPage(*document, next);
        const QImage image = PageStateImage();
        const int height = std::max(1, image.height() * thumbnailWidth / std::max(1, image.width()));
        emit thumbnailBuilt(number, next, ScaledPage(image, QSize(thumbnailWidth, height)));
      } catch (const std::exception&) {
        // The page view reports the page when it is shown.
      }
    } else if (document) {
      const int32_t next = extentsRead++;
      try {
        const PageExtent extent = ReadPageExtent(*document, next);
        emit pageExtent(number, next, extent.width, extent.height, extent.dotsPerInch);
      } catch (const std::exception& failure) {
        emit pageFailed(number, next, QString::fromLocal8Bit(failure.what()));
      }
      // The last page's headers are read: its spots are restored too, so
      // that the whole document is at hand.
      if (extentsRead == document->pageCount) RestoreWhole(*document);
      emit progress(number, RestoredBytes(*document), document->documentBytes);
    }
  }
}
