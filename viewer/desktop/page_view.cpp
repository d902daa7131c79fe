#include "viewer/desktop/page_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "viewer/desktop/document_worker.h"

namespace {

// A sheet of US letter at 100 dpi stands for pages whose size is not read yet.
constexpr PageExtent kUnknownExtent{850, 1100, 0};
const QColor kBackground(0x60, 0x60, 0x60);
constexpr double kScreenOverlap = 0.05;  // of a screen kept in view when moving by one
constexpr int kStepsPerPage = 30;        // a scroll step is this share of the page, as in the Windows viewer
constexpr double kWheelPixelsPerUnit = 0.5;  // 60 pixels a wheel notch (120 units)
// Inverted pictures kept around the visible ones.
constexpr int kInverseMargin = 1;
constexpr double kScaleTolerance = 1e-9;
// Marks over the pages, translucent so that the words show through.
const QColor kHitMark(255, 214, 0, 130);
const QColor kCurrentHitMark(255, 110, 0, 150);
const QColor kSelectionMark(40, 110, 255, 90);
// A current place found is scrolled to this share of the viewport from its top.
constexpr double kRevealedAt = 0.25;
// Page pixels further off a page than this count as this far.
constexpr double kFarOff = 1e6;

bool SameScale(double a, double b) { return std::abs(a - b) <= kScaleTolerance * std::max(a, b); }

// The page's picture in inverted colours; 1-bit pages invert exactly
// through their colour table.
QImage Inverted(const QImage& image) {
  QImage inverse = image;
  if (inverse.format() == QImage::Format_Mono) {
    QVector<QRgb> colours = inverse.colorTable();
    for (QRgb& colour : colours) colour = qRgb(255 - qRed(colour), 255 - qGreen(colour), 255 - qBlue(colour));
    inverse.setColorTable(colours);
  } else {
    inverse.invertPixels();
  }
  return inverse;
}

}  // namespace

PageView::PageView(DocumentWorker* worker, QWidget* parent) : QAbstractScrollArea(parent), worker_(worker) {
  builtCache_.budget = kImageBudget;
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  verticalScrollBar()->setSingleStep(40);
  horizontalScrollBar()->setSingleStep(40);
}

PageView::~PageView() = default;

qreal PageView::ratio() const { return viewport()->devicePixelRatioF(); }

void PageView::startDocument(quint64 documentNumber, int pageCount) {
  documentNumber_ = documentNumber;
  extents_.assign(static_cast<size_t>(pageCount), kUnknownExtent);
  extentKnown_.assign(static_cast<size_t>(pageCount), false);
  built_.clear();
  inverse_.clear();
  failures_.clear();
  text_.reset();
  hits_.reset();
  currentHit_ = kNoHit;
  selection_.reset();
  press_.reset();
  builtCache_ = PageCachePolicy{};
  builtCache_.budget = kImageBudget;
  currentPage_ = 0;
  relayout(0, 0.0);
  emit currentPageChanged(0);
}

void PageView::closeDocument() { startDocument(0, 0); }

std::vector<PageExtent> PageView::shownExtents() const {
  if (!singlePage_ || extents_.empty()) return extents_;
  return {extents_[static_cast<size_t>(currentPage_)]};
}

void PageView::relayout(int keepPage, double keepFraction) {
  const qreal dpr = ratio();
  const int32_t width = static_cast<int32_t>(viewport()->width() * dpr);
  const int32_t height = static_cast<int32_t>(viewport()->height() * dpr);
  // The scale is the same in both modes: paging does not change the zoom.
  const double scale = ScaleFor(zoom_, extents_, width, height);
  const bool rescaled = std::abs(scale - layout_.scale) > 1e-9;
  referenceDpi_ = ReferenceDotsPerInch(extents_);
  // The pictures of the old zoom stand in, scaled, until the pages are
  // built again at the new one.
  layout_ = LayOutPages(shownExtents(), scale, width);
  if (rescaled) emit zoomChanged();
  updateScrollBars();
  const int shown = pageToShown(keepPage);
  if (shown < static_cast<int>(layout_.places.size())) {
    const PagePlace& place = layout_.places[static_cast<size_t>(shown)];
    const qint64 top = TopOfPage(layout_, shown) + static_cast<qint64>(keepFraction * place.height);
    verticalScrollBar()->setValue(static_cast<int>(ClampViewTop(layout_, top, height)));
  }
  viewport()->update();
}

void PageView::updateScrollBars() {
  const qreal dpr = ratio();
  const int height = static_cast<int>(viewport()->height() * dpr);
  const int width = static_cast<int>(viewport()->width() * dpr);
  int widest = 0;
  for (const PagePlace& place : layout_.places) widest = std::max(widest, place.width + 2 * kPageGap);
  verticalScrollBar()->setRange(0, static_cast<int>(std::max<int64_t>(0, layout_.totalHeight - height)));
  verticalScrollBar()->setPageStep(height);
  horizontalScrollBar()->setRange(0, std::max(0, widest - width));
  horizontalScrollBar()->setPageStep(width);
}

qint64 PageView::viewTop() const { return verticalScrollBar()->value(); }

QRectF PageView::pageTarget(int shown) const {
  const PagePlace& place = layout_.places[static_cast<size_t>(shown)];
  const qreal dpr = ratio();
  return QRectF((place.x - horizontalScrollBar()->value()) / dpr, (place.y - viewTop()) / dpr, place.width / dpr,
                place.height / dpr);
}

QRect PageView::pageRectInViewport(int page) const {
  if (singlePage_ && page != currentPage_) return {};
  const int shown = pageToShown(page);
  if (shown < 0 || shown >= static_cast<int>(layout_.places.size())) return {};
  const PagePlace& place = layout_.places[static_cast<size_t>(shown)];
  const qreal dpr = ratio();
  return QRect(static_cast<int>((place.x - horizontalScrollBar()->value()) / dpr),
               static_cast<int>((place.y - verticalScrollBar()->value()) / dpr), static_cast<int>(place.width / dpr),
               static_cast<int>(place.height / dpr));
}

void PageView::showPage(int page) {
  if (extents_.empty()) return;
  page = std::clamp(page, 0, pageCount() - 1);
  const bool modeMoves = singlePage_ && page != currentPage_;
  currentPage_ = page;
  if (modeMoves) {
    relayout(page, 0.0);
  } else {
    const int32_t height = static_cast<int32_t>(viewport()->height() * ratio());
    verticalScrollBar()->setValue(static_cast<int>(ClampViewTop(layout_, TopOfPage(layout_, pageToShown(page)), height)));
  }
  currentPage_ = page;
  viewport()->update();
  emit currentPageChanged(page);
}

void PageView::setZoom(const ZoomState& zoom) {
  const qint64 top = viewTop();
  double fraction = 0.0;
  const int shown = pageToShown(currentPage_);
  if (shown < static_cast<int>(layout_.places.size())) {
    const PagePlace& place = layout_.places[static_cast<size_t>(shown)];
    fraction = std::clamp(static_cast<double>(top + kPageGap - place.y) / place.height, 0.0, 1.0);
  }
  zoom_ = zoom;
  zoom_.fixedScale = std::clamp(zoom_.fixedScale, kSmallestScale, kLargestScale);
  const int keep = currentPage_;
  relayout(keep, fraction);
  currentPage_ = keep;
  emit zoomChanged();
}

void PageView::zoomIn() { setZoom({ZoomMode::kFixed, NextZoomStep(layout_.scale)}); }
void PageView::zoomOut() { setZoom({ZoomMode::kFixed, PreviousZoomStep(layout_.scale)}); }

void PageView::setSinglePage(bool single) {
  if (single == singlePage_) return;
  const int keep = currentPage_;
  singlePage_ = single;
  relayout(keep, 0.0);
  currentPage_ = keep;
}

void PageView::setInverted(bool inverted) {
  inverted_ = inverted;
  inverse_.clear();
  viewport()->update();
}

void PageView::addExtent(int page, const PageExtent& extent) {
  if (page < 0 || page >= pageCount()) return;
  extents_[static_cast<size_t>(page)] = extent;
  extentKnown_[static_cast<size_t>(page)] = true;
  // Pages not read yet are most likely of the size of the last one read.
  for (size_t k = static_cast<size_t>(page) + 1; k < extents_.size() && !extentKnown_[k]; ++k) extents_[k] = extent;
  const qint64 top = viewTop();
  const int keep = currentPage_;
  const int shown = pageToShown(keep);
  double fraction = 0.0;
  if (shown < static_cast<int>(layout_.places.size())) {
    const PagePlace& place = layout_.places[static_cast<size_t>(shown)];
    fraction = std::clamp(static_cast<double>(top + kPageGap - place.y) / place.height, 0.0, 1.0);
  }
  relayout(keep, fraction);
  currentPage_ = keep;
}

void PageView::addPage(int page, double scale, const QImage& image) {
  if (page < 0 || page >= pageCount()) return;
  // A picture of an older zoom only stands in where there is none.
  if (!SameScale(scale, buildScale(page)) && built_.contains(page)) return;
  built_.insert(page, {image, scale});
  failures_.remove(page);
  inverse_.remove(page);
  TouchPage(builtCache_, page, static_cast<uint64_t>(image.sizeInBytes()));
  const PageSpan span = PagesInBand(layout_, viewTop(), static_cast<int32_t>(viewport()->height() * ratio()));
  const int first = shownToPage(span.first) - kReadAhead;
  const int last = shownToPage(std::max(span.first, span.last)) + kReadAhead;
  for (int32_t dropped : EvictOverBudget(builtCache_, first, last)) {
    built_.remove(dropped);
    inverse_.remove(dropped);
  }
  viewport()->update();
}

void PageView::addFailure(int page, const QString& reason) {
  failures_.insert(page, reason);
  viewport()->update();
}

double PageView::buildScale(int page) const {
  return std::min(1.0, layout_.scale * PhysicalFactor(extents_[static_cast<size_t>(page)], referenceDpi_));
}

bool PageView::pageSharp(int page) const {
  const auto found = built_.constFind(page);
  return found != built_.constEnd() && SameScale(found->scale, buildScale(page));
}

QImage PageView::shownImage(int page) {
  const QImage& image = built_.value(page).image;
  if (!inverted_) return image;
  const auto found = inverse_.constFind(page);
  if (found != inverse_.constEnd()) return *found;
  return *inverse_.insert(page, Inverted(image));
}

void PageView::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), kBackground);
  if (layout_.places.empty()) return;
  const qreal dpr = ratio();
  const int32_t height = static_cast<int32_t>(viewport()->height() * dpr);
  const PageSpan span = PagesInBand(layout_, viewTop(), height);
  for (int shown = span.first; shown <= span.last; ++shown) {
    const int page = shownToPage(shown);
    const QRectF target = pageTarget(shown);
    if (built_.contains(page)) {
      // Enlarged (beyond full size, or standing in for another zoom) its
      // pixels show as sharp blocks.
      painter.drawImage(target, shownImage(page));
      emit pageShown(page);
    } else {
      painter.fillRect(target, inverted_ ? Qt::black : Qt::white);
      const QString failure = failures_.value(page);
      if (!failure.isEmpty()) {
        painter.setPen(Qt::red);
        painter.drawText(target.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                         tr("Page %1 cannot be shown: %2").arg(page + 1).arg(failure));
      }
    }
    paintMarks(painter, page);
  }
  // Inverted pictures far from the view go: they are made again when needed.
  const int first = shownToPage(span.first) - kInverseMargin;
  const int last = shownToPage(std::max(span.first, span.last)) + kInverseMargin;
  for (auto it = inverse_.begin(); it != inverse_.end();) {
    it = it.key() < first || it.key() > last ? inverse_.erase(it) : std::next(it);
  }
  requestPages();
}

void PageView::requestPages() {
  if (extents_.empty() || documentNumber_ == 0) return;
  const PageSpan span = PagesInBand(layout_, viewTop(), static_cast<int32_t>(viewport()->height() * ratio()));
  if (span.last < span.first) return;
  std::vector<PageWish> wanted;
  for (int32_t page : PagesToBuild(shownToPage(span.first), shownToPage(span.last), kReadAhead, pageCount())) {
    const PageExtent& extent = extents_[static_cast<size_t>(page)];
    if (!pageSharp(page) && !failures_.contains(page)) wanted.push_back({page, buildScale(page), extent.width, extent.height});
  }
  worker_->want(documentNumber_, wanted);
}

void PageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  const int keep = currentPage_;
  double fraction = 0.0;
  const int shown = pageToShown(keep);
  if (shown < static_cast<int>(layout_.places.size())) {
    const PagePlace& place = layout_.places[static_cast<size_t>(shown)];
    fraction = std::clamp(static_cast<double>(viewTop() + kPageGap - place.y) / place.height, 0.0, 1.0);
  }
  relayout(keep, fraction);
  currentPage_ = keep;
}

void PageView::scrollContentsBy(int, int) {
  noteCurrentPage();
  viewport()->update();
}

void PageView::noteCurrentPage() {
  if (singlePage_ || layout_.places.empty()) return;
  const int page = PageAtRow(layout_, viewTop() + kPageGap);
  if (page == currentPage_) return;
  currentPage_ = page;
  emit currentPageChanged(page);
}

void PageView::scrollByDevice(qint64 dy) {
  QScrollBar* bar = verticalScrollBar();
  if (singlePage_ && dy > 0 && bar->value() >= bar->maximum() && currentPage_ + 1 < pageCount()) {
    showPage(currentPage_ + 1);
    return;
  }
  if (singlePage_ && dy < 0 && bar->value() <= 0 && currentPage_ > 0) {
    showPage(currentPage_ - 1);
    bar->setValue(bar->maximum());
    return;
  }
  bar->setValue(static_cast<int>(std::clamp<qint64>(bar->value() + dy, 0, bar->maximum())));
}

void PageView::moveInPage(bool toEnd) {
  const int shown = pageToShown(currentPage_);
  if (shown >= static_cast<int>(layout_.places.size())) return;
  const PagePlace& place = layout_.places[static_cast<size_t>(shown)];
  const int32_t height = static_cast<int32_t>(viewport()->height() * ratio());
  const qint64 top = toEnd ? int64_t{place.y} + place.height + kPageGap - height : TopOfPage(layout_, shown);
  const int keep = currentPage_;
  verticalScrollBar()->setValue(static_cast<int>(ClampViewTop(layout_, std::max<qint64>(top, TopOfPage(layout_, shown)), height)));
  currentPage_ = keep;
  emit currentPageChanged(keep);
}

void PageView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const bool ctrl = modifiers & Qt::ControlModifier;
  const bool alt = modifiers & Qt::AltModifier;
  const bool shift = modifiers & Qt::ShiftModifier;
  const qint64 screen = static_cast<qint64>(viewport()->height() * ratio() * (1.0 - kScreenOverlap));
  const qint64 step = scrollStep();
  switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Left:
      if (ctrl || alt) emit historyAsked(event->key() == Qt::Key_Right);
      else emit pageStepAsked(event->key() == Qt::Key_Right);
      return;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp:
      emit pageStepAsked(event->key() == Qt::Key_PageDown);
      return;
    case Qt::Key_Down:
      scrollByDevice(shift ? step : screen);
      return;
    case Qt::Key_Up:
      scrollByDevice(shift ? -step : -screen);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      scrollByDevice(screen);
      return;
    case Qt::Key_Space:
      scrollByDevice(shift ? -screen : screen);
      return;
    case Qt::Key_Home:
    case Qt::Key_End:
      if (ctrl) emit documentEdgeAsked(event->key() == Qt::Key_End);
      else moveInPage(event->key() == Qt::Key_End);
      return;
    case Qt::Key_G:
      emit goToPageAsked();
      return;
    case Qt::Key_F1:
      emit keysAsked();
      return;
    case Qt::Key_F:
      if (!ctrl && !alt) emit fileNameAsked();
      return;
    case Qt::Key_P:
      if (!ctrl && !alt) emit pageNumberAsked();
      return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      if (ctrl) zoomIn();
      return;
    case Qt::Key_Minus:
      if (ctrl) zoomOut();
      return;
    default:
      QAbstractScrollArea::keyPressEvent(event);
  }
}

qint64 PageView::scrollStep() const {
  const int shown = pageToShown(currentPage_);
  if (shown >= static_cast<int>(layout_.places.size())) return 1;
  return std::max<qint64>(1, layout_.places[static_cast<size_t>(shown)].height / kStepsPerPage);
}

// The buttons scroll a little, as Shift with Down and Up do: the right one
// when pressed, the left one when released where it was pressed, since
// dragging it selects words.
void PageView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) press_ = Press{event->position(), std::nullopt, false};
  else if (event->button() == Qt::RightButton) scrollByDevice(-scrollStep());
  else QAbstractScrollArea::mousePressEvent(event);
}

void PageView::mouseMoveEvent(QMouseEvent* event) {
  if (!press_ || !(event->buttons() & Qt::LeftButton)) {
    QAbstractScrollArea::mouseMoveEvent(event);
    return;
  }
  const QPointF at = event->position();
  if (!press_->dragging) {
    if ((at - press_->at).manhattanLength() < QApplication::startDragDistance()) return;
    press_->dragging = true;
    press_->anchor = wordAt(press_->at);
    clearSelection();
  }
  // Dragged past the top or bottom, the pages scroll on under the pointer.
  if (at.y() < 0) scrollByDevice(-scrollStep());
  if (at.y() > viewport()->height()) scrollByDevice(scrollStep());
  const std::optional<TextPoint> focus = wordAt(at);
  if (press_->anchor && focus) setSelection(RangeBetween(*press_->anchor, *focus));
}

void PageView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !press_) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    return;
  }
  const bool dragged = press_->dragging;
  press_.reset();
  if (dragged) {
    if (selection_) emit textSelected(selectedText());
    return;
  }
  clearSelection();
  scrollByDevice(scrollStep());
}

void PageView::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (event->modifiers() & Qt::ControlModifier) {
    if (delta > 0) zoomIn();
    if (delta < 0) zoomOut();
    event->accept();
    return;
  }
  if (delta != 0) {
    scrollByDevice(static_cast<qint64>(-delta * kWheelPixelsPerUnit * ratio()));
  } else {
    QAbstractScrollArea::wheelEvent(event);
  }
  event->accept();
}

void PageView::setDocumentText(std::shared_ptr<const kwen::DocumentText> text) {
  text_ = std::move(text);
  selection_.reset();
  viewport()->update();
}

void PageView::setSearchHits(const TextHits& hits, int current) {
  hits_ = hits;
  currentHit_ = hits_ && current >= 0 && static_cast<size_t>(current) < hits_->size() ? current : kNoHit;
  viewport()->update();
}

QRectF PageView::boxInViewport(int page, const kwen::Box& box) const {
  if (page < 0 || page >= pageCount() || (singlePage_ && page != currentPage_)) return {};
  const int shown = pageToShown(page);
  if (shown >= static_cast<int>(layout_.places.size())) return {};
  const QRectF target = pageTarget(shown);
  const PageExtent& extent = extents_[static_cast<size_t>(page)];
  const double across = target.width() / std::max(1, extent.width);
  const double down = target.height() / std::max(1, extent.height);
  return QRectF(target.x() + box.left * across, target.y() + box.top * down, (box.right - box.left) * across,
                (box.bottom - box.top) * down);
}

QList<QRectF> PageView::rectsInViewport(int page, const std::vector<kwen::Box>& boxes) const {
  QList<QRectF> rects;
  for (const kwen::Box& box : boxes) rects.append(boxInViewport(page, box));
  return rects;
}

QList<QRectF> PageView::hitRects(int page) const {
  QList<QRectF> rects;
  if (!hits_) return rects;
  const auto [first, last] = HitsOnPage(*hits_, page);
  for (size_t hit = first; hit < last; ++hit) {
    if (static_cast<int>(hit) != currentHit_) rects.append(rectsInViewport(page, (*hits_)[hit].boxes));
  }
  return rects;
}

QList<QRectF> PageView::currentHitRects(int page) const {
  if (currentHit_ == kNoHit || (*hits_)[static_cast<size_t>(currentHit_)].page != page) return {};
  return rectsInViewport(page, (*hits_)[static_cast<size_t>(currentHit_)].boxes);
}

QList<QRectF> PageView::selectionRects(int page) const {
  if (!selection_ || !text_) return {};
  return rectsInViewport(page, RangeBoxes(*text_, *selection_, page));
}

void PageView::paintMarks(QPainter& painter, int page) const {
  for (const QRectF& rect : selectionRects(page)) painter.fillRect(rect, kSelectionMark);
  for (const QRectF& rect : hitRects(page)) painter.fillRect(rect, kHitMark);
  for (const QRectF& rect : currentHitRects(page)) painter.fillRect(rect, kCurrentHitMark);
}

void PageView::revealBox(int page, const kwen::Box& box) {
  if (page < 0 || page >= pageCount()) return;
  if (singlePage_ && page != currentPage_) showPage(page);
  const QRectF rect = boxInViewport(page, box);
  const qreal dpr = ratio();
  const QSizeF room = viewport()->size();
  if (rect.top() < 0 || rect.bottom() > room.height()) {
    // A quarter down the viewport, but never above its page's top: the
    // page of the place is the current page.
    const qint64 boxTop = viewTop() + static_cast<qint64>(rect.top() * dpr);
    const qint64 top = std::max<qint64>(boxTop - static_cast<qint64>(room.height() * dpr * kRevealedAt),
                                        TopOfPage(layout_, pageToShown(page)));
    verticalScrollBar()->setValue(
        static_cast<int>(ClampViewTop(layout_, top, static_cast<int32_t>(room.height() * dpr))));
  }
  if (rect.left() < 0 || rect.right() > room.width()) {
    QScrollBar* bar = horizontalScrollBar();
    bar->setValue(bar->value() + static_cast<int>((rect.left() - room.width() * kRevealedAt) * dpr));
  }
  viewport()->update();
}

std::optional<TextPoint> PageView::wordAt(const QPointF& at) const {
  if (!text_ || layout_.places.empty()) return std::nullopt;
  const PageSpan span = PagesInBand(layout_, viewTop(), static_cast<int32_t>(viewport()->height() * ratio()));
  int nearest = -1;
  qreal nearestDistance = 0;
  for (int shown = span.first; shown <= span.last; ++shown) {
    const QRectF target = pageTarget(shown);
    const qreal distance = std::max({target.top() - at.y(), 0.0, at.y() - target.bottom()});
    if (nearest < 0 || distance < nearestDistance) {
      nearest = shown;
      nearestDistance = distance;
    }
  }
  if (nearest < 0) return std::nullopt;
  const int page = shownToPage(nearest);
  const QRectF target = pageTarget(nearest);
  const PageExtent& extent = extents_[static_cast<size_t>(page)];
  const auto pagePixel = [](qreal offset, qreal shownLength, int32_t pageLength) {
    return static_cast<int32_t>(std::clamp(offset * pageLength / std::max<qreal>(1, shownLength), -kFarOff, kFarOff));
  };
  return WordNearest(*text_, page, pagePixel(at.x() - target.x(), target.width(), extent.width),
                     pagePixel(at.y() - target.y(), target.height(), extent.height));
}

void PageView::setSelection(const std::optional<TextRange>& selection) {
  selection_ = selection;
  viewport()->update();
}

QString PageView::selectedText() const {
  if (!selection_ || !text_) return {};
  return QString::fromStdString(RangeText(*text_, *selection_));
}

void PageView::selectPage() {
  if (!text_) return;
  setSelection(WholePage(*text_, currentPage_));
  if (selection_) emit textSelected(selectedText());
}

void PageView::clearSelection() {
  if (selection_) setSelection(std::nullopt);
}
