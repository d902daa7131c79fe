// The reader's worker thread: it alone touches the document library. It
// opens documents, builds the pages the view asks for (most urgent first),
// and in between restores the document further and reads each page's size.
#pragma once

#include <QImage>
#include <QMutex>
#include <QSize>
#include <QString>
#include <QThread>
#include <QWaitCondition>
#include <functional>
#include <vector>

#include "viewer/desktop/reader_layout.h"

struct ReaderDocument;

class DocumentWorker : public QThread {
  Q_OBJECT

 public:
  explicit DocumentWorker(QObject* parent = nullptr);
  ~DocumentWorker() override;

  // Each open gets a new document number; results carry it so that the
  // view drops those of a document it has left.
  quint64 open(const QString& path);
  // The pages wanted now, most urgent first; replaces the previous wish.
  void want(quint64 documentNumber, const std::vector<int32_t>& pages);
  // Runs `job` on the worker thread, with the document when it is still
  // the open one (null otherwise); the job catches its own failures.
  // When idle, the worker builds every page once more for a thumbnail that
  // fits in `box` (empty: none), from the first page on.
  void wantThumbnails(quint64 documentNumber, const QSize& box);
  void runOnDocument(quint64 documentNumber, std::function<void(ReaderDocument*)> job);

 signals:
  void opened(quint64 documentNumber, const QString& path, int pageCount);
  void openFailed(quint64 documentNumber, const QString& path, const QString& reason);
  void pageExtent(quint64 documentNumber, int page, int width, int height, int dotsPerInch);
  void pageBuilt(quint64 documentNumber, int page, const QImage& image);
  void pageFailed(quint64 documentNumber, int page, const QString& reason);
  void thumbnailBuilt(quint64 documentNumber, int page, const QImage& image);
  // The restored share of a packed document, in bytes.
  void progress(quint64 documentNumber, qint64 restored, qint64 total);
  // Restoring has stopped for good: `ending` tells in plain words what
  // happened when the document is not whole (empty when it is).
  void restoreEnded(quint64 documentNumber, const QString& ending);

 protected:
  void run() override;

 private:
  struct Job {
    quint64 documentNumber;
    std::function<void(ReaderDocument*)> work;
  };
  QMutex mutex_;
  QWaitCondition wake_;
  bool stopping_ = false;
  quint64 documentNumber_ = 0;
  QString pathToOpen_;
  bool openPending_ = false;
  std::vector<int32_t> wanted_;
  std::vector<Job> jobs_;
  QSize thumbnailBox_;
};
