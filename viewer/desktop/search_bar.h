// The search bar under the pages: a field searched as it is typed, buttons
// to the previous and next place found, how many there are, and a close
// button. It holds the document's words made ready for searching once the
// worker has read them, and the places found (the first 10,000 at most);
// the page view paints them.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <memory>
#include <optional>

#include "kwen/text.h"
#include "viewer/desktop/search_hits.h"

class QToolButton;

class SearchBar : public QWidget {
  Q_OBJECT

 public:
  explicit SearchBar(QWidget* parent = nullptr);

  // A new document: its text comes once it is restored.
  void waitForText();
  // The document's words, ready for searching; none when it has none.
  void setSearch(std::optional<kwen::TextSearch> textSearch);
  // The text cannot be read: `libraryText` says why.
  void setTextFailure(const QString& libraryText);
  // The page the search starts from.
  void setViewedPage(int page) { viewedPage_ = page; }

  // Shows the bar with its field ready for typing.
  void openBar();
  void closeBar();
  // The next (or previous) place found; the bar opens when it is closed.
  void step(bool forward);

  QLineEdit* field() const { return field_; }
  // What the bar says: how many places were found, or why there are none.
  QString status() const { return status_->text(); }
  QString statusDetail() const { return status_->toolTip(); }

 signals:
  // The places found and the current one (kNoHit when none), for painting.
  void hitsChanged(const TextHits& hits, int current);
  // The place to bring into view.
  void hitChosen(const kwen::TextHit& hit);
  void closed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class TextState { kWaiting, kReady, kNone, kDamaged };
  void search();
  void choose(int hit);
  void showStatus();

  QLineEdit* field_;
  QToolButton* previous_;
  QToolButton* next_;
  QLabel* status_;
  TextState state_ = TextState::kWaiting;
  std::optional<kwen::TextSearch> search_;
  TextHits hits_;
  bool moreHits_ = false;  // there are more places than hits_ holds
  int current_ = kNoHit;
  int viewedPage_ = 0;
};
