// The reader's page area: the document's pages in a scrolled column (or one
// page at a time), at the zoom chosen, drawn from the pages the worker has
// built at the size shown (at most their full size, which the view
// enlarges); pages not built yet show as blank sheets of their size. Over
// the pages: the places a search found, and the words selected by dragging
// the mouse over them.
#pragma once

#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "kwen/text.h"
#include "viewer/desktop/page_cache_policy.h"
#include "viewer/desktop/reader_layout.h"
#include "viewer/desktop/search_hits.h"
#include "viewer/desktop/text_selection.h"

class DocumentWorker;

class PageView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  PageView(DocumentWorker* worker, QWidget* parent = nullptr);
  ~PageView() override;

  // A new document (number from the worker) of `pageCount` pages.
  void startDocument(quint64 documentNumber, int pageCount);
  void closeDocument();
  quint64 documentNumber() const { return documentNumber_; }
  int pageCount() const { return static_cast<int>(extents_.size()); }
  int currentPage() const { return currentPage_; }

  void showPage(int page);  // from 0: its top at the view's top
  void setZoom(const ZoomState& zoom);
  ZoomState zoom() const { return zoom_; }
  double scale() const { return layout_.scale; }
  void zoomIn();
  void zoomOut();
  void setSinglePage(bool single);
  bool singlePage() const { return singlePage_; }
  void setInverted(bool inverted);
  bool inverted() const { return inverted_; }

  // Where page `page` is drawn in the viewport now, in logical pixels.
  QRect pageRectInViewport(int page) const;
  bool pageReady(int page) const { return built_.contains(page); }
  // The page is painted at its final quality (not a picture of another
  // zoom standing in while it is built again).
  bool pageSharp(int page) const;
  QString pageFailure(int page) const { return failures_.value(page); }
  qint64 viewTop() const;

  // From the worker.
  void addExtent(int page, const PageExtent& extent);
  // Page `page` built for `scale` (see PageWish).
  void addPage(int page, double scale, const QImage& image);
  void addFailure(int page, const QString& reason);

  // The document's text, which the mouse selects words of; null for none.
  void setDocumentText(std::shared_ptr<const kwen::DocumentText> text);
  // The places a search found, painted on their pages; `current` (kNoHit
  // for none) stands out.
  void setSearchHits(const TextHits& hits, int current);
  // Scrolls a box of page `page` (page pixels) into view, when it is not in
  // view whole.
  void revealBox(int page, const kwen::Box& box);
  // A box of page `page`'s pixels where it is drawn in the viewport now, in
  // logical pixels; empty when the page is not shown.
  QRectF boxInViewport(int page, const kwen::Box& box) const;
  // What is painted over page `page`: the places found but the current
  // one, the current one, the words selected.
  QList<QRectF> hitRects(int page) const;
  QList<QRectF> currentHitRects(int page) const;
  QList<QRectF> selectionRects(int page) const;
  // The words selected: joined by spaces, lines by newlines.
  QString selectedText() const;
  // Selects every word of the current page.
  void selectPage();
  void clearSelection();

  // The byte budget of built pages held; the neighbours built ahead.
  static constexpr uint64_t kImageBudget = uint64_t{64} << 20;
  static constexpr int32_t kReadAhead = 4;

 signals:
  void currentPageChanged(int page);
  // A built page has been painted (not its placeholder).
  void pageShown(int page);
  void zoomChanged();
  // Navigation keys that the window turns into commands of its own.
  void goToPageAsked();
  void keysAsked();
  void fileNameAsked();
  void pageNumberAsked();
  void historyAsked(bool forward);
  void pageStepAsked(bool forward);
  void documentEdgeAsked(bool last);
  // Words have been selected: a drag ended over them, or a whole page.
  void textSelected(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  std::vector<PageExtent> shownExtents() const;
  int shownToPage(int shown) const { return singlePage_ ? currentPage_ : shown; }
  int pageToShown(int page) const { return singlePage_ ? 0 : page; }
  // Where shown page `shown` is drawn in the viewport, in logical pixels.
  QRectF pageTarget(int shown) const;
  void paintMarks(QPainter& painter, int page) const;
  QList<QRectF> rectsInViewport(int page, const std::vector<kwen::Box>& boxes) const;
  // The word nearest a point of the viewport, on the page under it or the
  // nearest shown one.
  std::optional<TextPoint> wordAt(const QPointF& at) const;
  void setSelection(const std::optional<TextRange>& selection);
  void relayout(int keepPage, double keepFraction);
  void updateScrollBars();
  void requestPages();
  void noteCurrentPage();
  // The scale page `page` is built for at the present zoom.
  double buildScale(int page) const;
  QImage shownImage(int page);
  void scrollByDevice(qint64 dy);
  qint64 scrollStep() const;
  void moveInPage(bool toEnd);
  qreal ratio() const;

  DocumentWorker* worker_;
  quint64 documentNumber_ = 0;
  std::vector<PageExtent> extents_;
  std::vector<bool> extentKnown_;
  ZoomState zoom_;
  bool singlePage_ = false;
  bool inverted_ = false;
  int currentPage_ = 0;
  ContinuousLayout layout_;
  struct Built {
    QImage image;
    double scale;  // as built for (see PageWish)
  };
  int32_t referenceDpi_ = 0;
  QHash<int, Built> built_;
  PageCachePolicy builtCache_;
  QHash<int, QImage> inverse_;  // the built pages in view, inverted
  QHash<int, QString> failures_;
  std::shared_ptr<const kwen::DocumentText> text_;
  TextHits hits_;
  int currentHit_ = kNoHit;
  std::optional<TextRange> selection_;
  // The left button held down: released where it was pressed it scrolls,
  // dragged it selects words from the one it was pressed at.
  struct Press {
    QPointF at;
    std::optional<TextPoint> anchor;
    bool dragging = false;
  };
  std::optional<Press> press_;
};
