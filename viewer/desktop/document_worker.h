// The reader's worker thread: it opens documents, builds the pages the
// view asks for at the scale the view shows them (most urgent first; each
// build spreads over the library's own threads), and in between restores
// the document further, reads each page's size and makes the thumbnails.
#pragma once

#include <QImage>
#include <QMutex>
#include <QSize>
#include <QString>
#include <QThread>
#include <QWaitCondition>
#include <functional>
#include <optional>
#include <vector>

#include "kwen/document.h"
#include "viewer/desktop/reader_layout.h"

// A page the view wants, at `scale` (1: the page at full size, which the
// view may enlarge), laid out as `width` x `height` pixels at full size:
// the size the view takes the page to have.
struct PageWish {
  int32_t page;
  double scale;
  int32_t width;
  int32_t height;
};

class DocumentWorker : public QThread {
  Q_OBJECT

 public:
  explicit DocumentWorker(QObject* parent = nullptr);
  ~DocumentWorker() override;

  // Each open gets a new document number; results carry it so that the
  // view drops those of a document it has left.
  quint64 open(const QString& path);
  // The pages wanted now, most urgent first; replaces the previous wish.
  void want(quint64 documentNumber, const std::vector<PageWish>& pages);
  // When idle, the worker builds every page once more for a thumbnail that
  // fits in `box` (empty: none), from the first page on.
  void wantThumbnails(quint64 documentNumber, const QSize& box);
  // Runs `job` on the worker thread, with the document when it is still
  // the open one (null otherwise); the job catches its own failures.
  void runOnDocument(quint64 documentNumber, std::function<void(const kwen::Document*)> job);

 signals:
  void opened(quint64 documentNumber, const QString& path, int pageCount);
  void openFailed(quint64 documentNumber, const QString& path, const QString& reason);
  void pageExtent(quint64 documentNumber, int page, int width, int height, int dotsPerInch);
  // Page `page` built for `scale` (as asked in its wish).
  void pageBuilt(quint64 documentNumber, int page, double scale, const QImage& image);
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
    std::function<void(const kwen::Document*)> work;
  };
  // What the worker knows of the open document.
  struct Open {
    kwen::Document document;
    quint64 number;
    int32_t extentsRead = 0;
    int32_t thumbnailsMade = 0;
    bool restoreReported = false;
  };
  bool idle(const std::optional<Open>& open) const;
  void openDocument(std::optional<Open>& open, const QString& path, quint64 number);
  // False when the wish was for a size the page has not: the page is not
  // built, and the view hears its size.
  bool buildPage(Open& open, const PageWish& wish);
  void readNextExtent(Open& open);
  void restoreStep(Open& open);
  void makeNextThumbnail(Open& open, const QSize& box);

  QMutex mutex_;
  QWaitCondition wake_;
  bool stopping_ = false;
  quint64 documentNumber_ = 0;
  QString pathToOpen_;
  bool openPending_ = false;
  bool wished_ = false;  // the view has asked for pages of the open document
  std::vector<PageWish> wanted_;
  // The wish being built and the last one built: the view may ask for
  // them again before it has their results, and gets them once.
  PageWish building_{-1, 0.0, 0, 0};
  PageWish built_{-1, 0.0, 0, 0};
  std::vector<Job> jobs_;
  QSize thumbnailBox_;
};
