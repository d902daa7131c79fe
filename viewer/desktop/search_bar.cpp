#include "viewer/desktop/search_bar.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QStyle>
#include <QToolButton>

namespace {

constexpr int kFieldWidth = 260;
// Enough to step through; more would only slow the typing of a common
// letter in a long book.
constexpr size_t kMostHits = 10000;

QToolButton* BarButton(const QString& name, const QString& tip) {
  auto* button = new QToolButton;
  button->setObjectName(name);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  return button;
}

}  // namespace

SearchBar::SearchBar(QWidget* parent)
    : QWidget(parent), field_(new QLineEdit), previous_(BarButton("previousHit", tr("Previous match (Shift+F3)"))),
      next_(BarButton("nextHit", tr("Next match (F3)"))),
      status_(new QLabel),
      hits_(std::make_shared<std::vector<kwen::TextHit>>()) {
  setObjectName("searchBar");
  field_->setObjectName("searchField");
  field_->setPlaceholderText(tr("Find in the document"));
  field_->setClearButtonEnabled(true);
  field_->setMaximumWidth(kFieldWidth);
  field_->installEventFilter(this);
  status_->setObjectName("searchStatus");
  previous_->setArrowType(Qt::UpArrow);
  next_->setArrowType(Qt::DownArrow);
  QToolButton* close = BarButton("closeSearch", tr("Close (Escape)"));
  close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 3, 6, 3);
  layout->addWidget(new QLabel(tr("Find:")));
  layout->addWidget(field_, 1);
  layout->addWidget(previous_);
  layout->addWidget(next_);
  layout->addWidget(status_);
  layout->addStretch(1);
  layout->addWidget(close);

  connect(field_, &QLineEdit::textChanged, this, &SearchBar::search);
  connect(previous_, &QToolButton::clicked, this, [this] { step(false); });
  connect(next_, &QToolButton::clicked, this, [this] { step(true); });
  connect(close, &QToolButton::clicked, this, &SearchBar::closeBar);
  hide();
}

void SearchBar::waitForText() {
  state_ = TextState::kWaiting;
  search_.reset();
  search();
}

void SearchBar::setSearch(std::optional<kwen::TextSearch> textSearch) {
  state_ = textSearch ? TextState::kReady : TextState::kNone;
  search_ = std::move(textSearch);
  search();
}

void SearchBar::setTextFailure(const QString& libraryText) {
  state_ = TextState::kDamaged;
  search_.reset();
  status_->setToolTip(libraryText);
  search();
}

void SearchBar::openBar() {
  const bool opening = isHidden();
  show();
  field_->setFocus(Qt::ShortcutFocusReason);
  field_->selectAll();
  // The places found are shown again, from the page in view.
  if (opening) search();
}

void SearchBar::closeBar() {
  if (isHidden()) return;
  hide();
  current_ = kNoHit;
  emit hitsChanged(std::make_shared<std::vector<kwen::TextHit>>(), kNoHit);
  emit closed();
}

void SearchBar::step(bool forward) {
  if (isHidden()) {
    openBar();
    return;
  }
  if (hits_->empty()) return;
  choose(StepHit(current_, hits_->size(), forward));
}

// Searches the whole text as the field now reads, from the page in view;
// the bar says what it found. A closed bar shows nothing.
void SearchBar::search() {
  auto hits = std::make_shared<std::vector<kwen::TextHit>>();
  const QString query = field_->text();
  if (isVisible() && state_ == TextState::kReady && !query.trimmed().isEmpty()) {
    *hits = search_->Find(query.toStdString(), kMostHits + 1);
  }
  moreHits_ = hits->size() > kMostHits;
  if (moreHits_) hits->resize(kMostHits);
  hits_ = std::move(hits);
  current_ = kNoHit;
  if (isVisible()) choose(FirstHitFrom(*hits_, viewedPage_));
  showStatus();
}

void SearchBar::choose(int hit) {
  current_ = hit;
  emit hitsChanged(hits_, current_);
  if (current_ != kNoHit) emit hitChosen((*hits_)[static_cast<size_t>(current_)]);
  showStatus();
}

void SearchBar::showStatus() {
  const bool found = !hits_->empty();
  previous_->setEnabled(found);
  next_->setEnabled(found);
  if (state_ != TextState::kDamaged) status_->setToolTip(QString());
  switch (state_) {
    case TextState::kWaiting:
      status_->setText(tr("Searching when the document is restored"));
      return;
    case TextState::kNone:
      status_->setText(tr("This document has no text"));
      return;
    case TextState::kDamaged:
      status_->setText(tr("The document's text is damaged"));
      return;
    case TextState::kReady:
      break;
  }
  if (field_->text().trimmed().isEmpty()) {
    status_->clear();
  } else if (!found) {
    status_->setText(tr("No matches"));
  } else {
    const QString count = QString::number(hits_->size()) + (moreHits_ ? "+" : "");
    status_->setText(tr("%1 of %2").arg(current_ + 1).arg(count));
  }
}

// Enter and Shift+Enter step through the places found; Escape closes.
bool SearchBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched != field_ || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      step(!(key->modifiers() & Qt::ShiftModifier));
      return true;
    case Qt::Key_Escape:
      closeBar();
      return true;
    default:
      return QWidget::eventFilter(watched, event);
  }
}
