// The reader's text as a person uses it, on Qt's offscreen platform: the
// search bar typed into, F3 and Enter through the places found across
// pages, words selected by dragging the mouse and copied, the outline and
// the document's title. The documents come from make_reader_documents:
// "needle" is on pages 2, 2, 4 (broken by a hyphen), 8 and 11 of words.kwen.
#include <QClipboard>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "kwen/document.h"
#include "viewer/desktop/main_window.h"

namespace {

constexpr int kWaitMs = 20000;
// Where words.kwen's places found are, in order: page (from 0), line, word.
struct Place {
  int page, line, word;
};
constexpr Place kNeedles[] = {{1, 3, 2}, {1, 10, 0}, {3, 2, 8}, {7, 5, 4}, {10, 0, 1}};
constexpr int kPageWidth = 850;  // the test pages' pixels across

bool Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    qWarning() << program << arguments << process.readAllStandardError();
    return false;
  }
  return true;
}

// The mean colour of `rect` in `image`.
QColor MeanColour(const QImage& image, const QRect& rect) {
  qint64 red = 0, green = 0, blue = 0, count = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      red += qRed(pixel), green += qGreen(pixel), blue += qBlue(pixel), ++count;
    }
  }
  if (count == 0) return {};
  return QColor(static_cast<int>(red / count), static_cast<int>(green / count), static_cast<int>(blue / count));
}

bool Near(const QRectF& a, const QRectF& b) {
  const qreal slack = 1.0;
  return qAbs(a.left() - b.left()) <= slack && qAbs(a.top() - b.top()) <= slack && qAbs(a.right() - b.right()) <= slack &&
         qAbs(a.bottom() - b.bottom()) <= slack;
}

}  // namespace

class ReaderTextTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder_;
  kwen::DocumentText words_;  // words.kwen's text, as the library reads it
  std::unique_ptr<MainWindow> window_;

  QString path(const QString& name) const { return folder_.filePath(name); }
  PageView* view() const { return window_->view(); }
  SearchBar* bar() const { return window_->searchBar(); }
  const kwen::Box& wordBox(int page, int line, int word) const {
    return words_.pages[static_cast<size_t>(page)].lines[static_cast<size_t>(line)].words[static_cast<size_t>(word)].box;
  }
  QPoint wordCentre(int page, int line, int word) const {
    return view()->boxInViewport(page, wordBox(page, line, word)).center().toPoint();
  }
  // Opens a document and waits until its text has been read (or found
  // damaged or missing).
  bool openAndReadText(const QString& name) {
    QSignalSpy read(window_.get(), &MainWindow::textRead);
    window_->openDocument(path(name));
    return read.wait(kWaitMs) || !read.isEmpty();
  }
  void press(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(widget, static_cast<Qt::Key>(key), modifiers);
  }
  void find(const QString& query) {
    press(view(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(bar()->isVisible());
    QVERIFY(bar()->field()->hasFocus());
    QTest::keyClicks(bar()->field(), query);
  }
  void drag(const QPoint& from, const QPoint& to) {
    QWidget* viewport = view()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(viewport, (from + to) / 2);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, to);
  }

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void typingHighlightsEveryPlaceFoundAndTheCurrentOne();
  void f3AndEnterStepThroughThePlacesAcrossPages();
  void theSearchStartsFromThePageInView();
  void documentsWithoutTextOrWithDamagedTextSaySo_data();
  void documentsWithoutTextOrWithDamagedTextSaySo();
  void aPackedDocumentIsSearchedOnceRestored();
  void theCountStopsAtTenThousandPlaces();
  void draggingSelectsWordsInReadingOrderAndCopiesThem();
  void theOutlineJumpsToItsPageAndTheTitleShows();
};

void ReaderTextTest::initTestCase() {
  QVERIFY(folder_.isValid());
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("config")));
  QStandardPaths::setTestModeEnabled(true);
  QCoreApplication::setOrganizationName("kwenkit");
  QCoreApplication::setApplicationName("kwenview-text-test");
  QVERIFY(Run(MAKE_READER_DOCUMENTS, {folder_.path()}));
  words_ = kwen::Document::Open(path("words.kwen").toStdString()).Text();
  QCOMPARE(words_.pages.size(), size_t{12});
}

void ReaderTextTest::init() {
  QSettings().clear();
  window_ = std::make_unique<MainWindow>();
  window_->resize(900, 700);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  window_->activateWindow();
  view()->setFocus();
}

void ReaderTextTest::cleanup() { window_.reset(); }

void ReaderTextTest::typingHighlightsEveryPlaceFoundAndTheCurrentOne() {
  QVERIFY(openAndReadText("words.kwen"));
  find("Needle");
  QCOMPARE(bar()->status(), QString("1 of 5"));
  // The first place, on page 2, is scrolled into view and marked where its
  // word is drawn: the page's place in the view, scaled from page pixels.
  QCOMPARE(view()->currentPage(), 1);
  const QRect page = view()->pageRectInViewport(1);
  const double scale = static_cast<double>(page.width()) / kPageWidth;
  const QRectF expected(page.x() + 220 * scale, page.y() + 261 * scale, 60 * scale, 12 * scale);
  QCOMPARE(view()->currentHitRects(1).size(), 1);
  const QRectF current = view()->currentHitRects(1).first();
  QVERIFY2(Near(current, expected),
           qPrintable(QString("%1,%2 %3x%4").arg(current.x()).arg(current.y()).arg(current.width()).arg(current.height())));
  QVERIFY(view()->viewport()->rect().contains(current.toRect()));
  // The other place on the page is marked too; none on the pages without.
  QCOMPARE(view()->hitRects(1).size(), 1);
  QVERIFY(Near(view()->hitRects(1).first(), view()->boxInViewport(1, wordBox(1, 10, 0))));
  QVERIFY(view()->hitRects(2).isEmpty() && view()->currentHitRects(2).isEmpty());

  // Painted: the current place orange, the other yellow, both over the page.
  view()->viewport()->repaint();
  const QImage shot = view()->viewport()->grab().toImage();
  const QColor orange = MeanColour(shot, current.toAlignedRect().intersected(shot.rect()));
  QVERIFY2(orange.red() - orange.green() > 50, qPrintable(orange.name()));
  const QRect other = view()->hitRects(1).first().toAlignedRect().intersected(shot.rect());
  if (!other.isEmpty()) {
    const QColor yellow = MeanColour(shot, other);
    QVERIFY2(qAbs(yellow.red() - yellow.green()) < 40 && yellow.green() - yellow.blue() > 40, qPrintable(yellow.name()));
  }

  // The marks follow the zoom.
  press(view(), Qt::Key_Plus, Qt::ControlModifier);
  const QRect zoomed = view()->pageRectInViewport(1);
  QVERIFY(zoomed.width() > page.width());
  QVERIFY(qAbs(view()->currentHitRects(1).first().width() - 60.0 * zoomed.width() / kPageWidth) <= 1);

  // More letters that match nowhere; Escape closes the bar and its marks.
  QTest::keyClicks(bar()->field(), "s");
  QCOMPARE(bar()->status(), QString("No matches"));
  QVERIFY(view()->currentHitRects(1).isEmpty() && view()->hitRects(1).isEmpty());
  press(bar()->field(), Qt::Key_Backspace);
  QCOMPARE(bar()->status(), QString("1 of 5"));
  press(bar()->field(), Qt::Key_Escape);
  QVERIFY(!bar()->isVisible());
  QVERIFY(view()->hasFocus());
  QVERIFY(view()->currentHitRects(1).isEmpty() && view()->hitRects(1).isEmpty());
}

void ReaderTextTest::f3AndEnterStepThroughThePlacesAcrossPages() {
  QVERIFY(openAndReadText("words.kwen"));
  find("needle");
  const struct {
    QWidget* target;
    int key;
    Qt::KeyboardModifiers modifiers;
    int hit;  // from 0, in kNeedles
  } steps[] = {
      {view(), Qt::Key_F3, Qt::NoModifier, 1},           {view(), Qt::Key_F3, Qt::NoModifier, 2},
      {bar()->field(), Qt::Key_F3, Qt::NoModifier, 3},   {bar()->field(), Qt::Key_F3, Qt::ShiftModifier, 2},
      {bar()->field(), Qt::Key_Return, Qt::NoModifier, 3}, {bar()->field(), Qt::Key_Return, Qt::ShiftModifier, 2},
      {bar()->field(), Qt::Key_Enter, Qt::NoModifier, 3}, {view(), Qt::Key_F3, Qt::NoModifier, 4},
      {view(), Qt::Key_F3, Qt::NoModifier, 0},  // round the end
      {view(), Qt::Key_F3, Qt::ShiftModifier, 4},
  };
  for (const auto& step : steps) {
    press(step.target, step.key, step.modifiers);
    const Place& place = kNeedles[step.hit];
    QCOMPARE(bar()->status(), QString("%1 of 5").arg(step.hit + 1));
    const QList<QRectF> current = view()->currentHitRects(place.page);
    QVERIFY2(!current.isEmpty(), qPrintable(QString::number(step.hit)));
    // In view, on the page that is now the current one when it had to move.
    QVERIFY(view()->viewport()->rect().contains(current.first().toRect()));
    QCOMPARE(current.first().top(), view()->boxInViewport(place.page, wordBox(place.page, place.line, place.word)).top());
    if (place.page != 1) QCOMPARE(view()->currentPage(), place.page);
  }
  // The word broken by a hyphen is one place, over its two halves.
  press(view(), Qt::Key_F3);
  press(view(), Qt::Key_F3);
  press(view(), Qt::Key_F3);
  QCOMPARE(bar()->status(), QString("3 of 5"));
  QCOMPARE(view()->currentHitRects(3).size(), 2);
  // The buttons step too.
  QTest::mouseClick(bar()->findChild<QToolButton*>("nextHit"), Qt::LeftButton);
  QCOMPARE(bar()->status(), QString("4 of 5"));
  QCOMPARE(view()->currentPage(), 7);
  QTest::mouseClick(bar()->findChild<QToolButton*>("previousHit"), Qt::LeftButton);
  QCOMPARE(bar()->status(), QString("3 of 5"));
  QCOMPARE(view()->currentPage(), 3);
}

void ReaderTextTest::theSearchStartsFromThePageInView() {
  QVERIFY(openAndReadText("words.kwen"));
  view()->showPage(5);
  find("needle");
  QCOMPARE(bar()->status(), QString("4 of 5"));
  QCOMPARE(view()->currentPage(), 7);
  // Past the last place, the search starts again at the first.
  press(bar()->field(), Qt::Key_Escape);
  view()->showPage(11);
  press(view(), Qt::Key_F3);  // opens the bar on the last query
  QVERIFY(bar()->isVisible());
  QCOMPARE(bar()->status(), QString("1 of 5"));
  QCOMPARE(view()->currentPage(), 1);
}

void ReaderTextTest::documentsWithoutTextOrWithDamagedTextSaySo_data() {
  QTest::addColumn<QString>("document");
  QTest::addColumn<QString>("status");
  QTest::addColumn<QString>("detail");
  QTest::newRow("no text") << "pages300.kwen" << "This document has no text" << "";
  QTest::newRow("damaged text") << "damaged_words.kwen" << "The document's text is damaged"
                                << "The document's text is damaged: it ends before the bytes it announces";
}

void ReaderTextTest::documentsWithoutTextOrWithDamagedTextSaySo() {
  QFETCH(QString, document);
  QFETCH(QString, status);
  QFETCH(QString, detail);
  QVERIFY(openAndReadText(document));
  find("needle");
  QCOMPARE(bar()->status(), status);
  QCOMPARE(bar()->statusDetail(), detail);
  QVERIFY(view()->currentHitRects(1).isEmpty());
  // The pages read on, with no title but the file's name, and no outline.
  QCOMPARE(window_->windowTitle(), QString("%1 - kwenview").arg(document));
  QVERIFY(!window_->outlinePanel()->isVisible());
  press(bar()->field(), Qt::Key_Escape);
  press(view(), Qt::Key_Right);
  QTRY_VERIFY_WITH_TIMEOUT(view()->pageReady(1), kWaitMs);
  QCOMPARE(window_->message(), QString());
}

void ReaderTextTest::aPackedDocumentIsSearchedOnceRestored() {
  QSignalSpy opened(window_.get(), &MainWindow::documentOpened);
  window_->openDocument(path("figures300.kwen"));
  QVERIFY(opened.wait(kWaitMs));
  // Its 14 MB restore slowly: the text is read once they are all there.
  QVERIFY(window_->restoring());
  find("needle");
  QCOMPARE(bar()->status(), QString("Searching when the document is restored"));
  QTRY_COMPARE_WITH_TIMEOUT(bar()->status(), QString("1 of 5"), kWaitMs);
  QCOMPARE(view()->currentPage(), 1);
  QVERIFY(window_->windowTitle().startsWith("A Book of Shapes - figures300.kwen"));
}

void ReaderTextTest::theCountStopsAtTenThousandPlaces() {
  // 94,500 words on 300 pages: most hold an "e".
  QVERIFY(openAndReadText("figures300.kwen"));
  find("e");
  QCOMPARE(bar()->status(), QString("1 of 10000+"));
  press(bar()->field(), Qt::Key_Return, Qt::ShiftModifier);  // round the start to the last kept
  QCOMPARE(bar()->status(), QString("10000 of 10000+"));
  press(bar()->field(), Qt::Key_Return);
  QCOMPARE(bar()->status(), QString("1 of 10000+"));
  // Fewer places are counted whole: "green" is one word in twelve.
  QTest::keyClicks(bar()->field(), "en");
  const QRegularExpressionMatch count = QRegularExpression("^1 of ([0-9]+)$").match(bar()->status());
  QVERIFY2(count.hasMatch(), qPrintable(bar()->status()));
  QVERIFY(count.captured(1).toInt() > 5000 && count.captured(1).toInt() < 10000);
}

void ReaderTextTest::draggingSelectsWordsInReadingOrderAndCopiesThem() {
  QVERIFY(openAndReadText("words.kwen"));
  QTRY_VERIFY_WITH_TIMEOUT(view()->pageReady(0), kWaitMs);
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText("before");
  // From "ink" near the end of line 3 to "quiet" on line 4, then the other way.
  for (const auto& [from, to] : {std::pair{wordCentre(0, 2, 7), wordCentre(0, 3, 1)},
                                 std::pair{wordCentre(0, 3, 1), wordCentre(0, 2, 7)}}) {
    const qint64 top = view()->viewTop();
    drag(from, to);
    QCOMPARE(view()->viewTop(), top);  // a drag does not scroll
    QCOMPARE(view()->selectedText(), QString("ink line\namber quiet"));
    // One mark for each line, around its selected words.
    const QList<QRectF> marks = view()->selectionRects(0);
    QCOMPARE(marks.size(), 2);
    QVERIFY(Near(marks[0], view()->boxInViewport(0, wordBox(0, 2, 7)).united(view()->boxInViewport(0, wordBox(0, 2, 8)))));
    QVERIFY(Near(marks[1], view()->boxInViewport(0, wordBox(0, 3, 0)).united(view()->boxInViewport(0, wordBox(0, 3, 1)))));
    press(view(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(clipboard->text(), QString("ink line\namber quiet"));
    clipboard->setText("before");
  }
  // The whole page in view: from the margin left of line 2 to below the
  // page's last line, all but the first line's words.
  view()->setZoom({ZoomMode::kFitPage, 1.0});
  const QRect page = view()->pageRectInViewport(0);
  const QRectF lastWord = view()->boxInViewport(0, words_.pages[0].lines.back().words.back().box);
  QVERIFY(lastWord.bottom() + 4 < page.bottom() && page.bottom() < view()->viewport()->height());
  drag(QPoint(page.left() + 2, wordCentre(0, 1, 0).y()), QPoint(page.right() - 2, static_cast<int>(lastWord.bottom()) + 4));
  const QStringList dragged = view()->selectedText().split('\n');
  QCOMPARE(dragged.size(), static_cast<int>(words_.pages[0].lines.size()) - 1);
  QCOMPARE(dragged.first(), QString("word page river stone cloud green amber quiet north"));
  // A click clears the selection and scrolls as it always did; copying
  // nothing leaves the clipboard alone.
  const qint64 top = view()->viewTop();
  QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, wordCentre(0, 2, 7));
  QVERIFY(view()->viewTop() > top);
  QVERIFY(view()->selectionRects(0).isEmpty());
  press(view(), Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(clipboard->text(), QString("before"));
  // Select All takes the current page's words.
  press(view(), Qt::Key_A, Qt::ControlModifier);
  press(view(), Qt::Key_C, Qt::ControlModifier);
  const QStringList lines = clipboard->text().split('\n');
  QCOMPARE(lines.size(), static_cast<int>(words_.pages[0].lines.size()));
  QCOMPARE(lines[2], QString("stone cloud green amber quiet north paper ink line"));
  // A document without text has nothing to select; the drag does nothing.
  QVERIFY(openAndReadText("pages300.kwen"));
  QTRY_VERIFY_WITH_TIMEOUT(view()->pageReady(0), kWaitMs);
  drag(QPoint(100, 200), QPoint(300, 260));
  QCOMPARE(view()->selectedText(), QString());
}

void ReaderTextTest::theOutlineJumpsToItsPageAndTheTitleShows() {
  QVERIFY(openAndReadText("words.kwen"));
  QCOMPARE(window_->windowTitle(), QString("A Book of Shapes - words.kwen - kwenview"));
  OutlinePanel* panel = window_->outlinePanel();
  QVERIFY(panel->isVisible());
  QTreeWidget* tree = panel->tree();
  QCOMPARE(tree->topLevelItemCount(), 2);
  QTreeWidgetItem* opening = tree->topLevelItem(0);
  QCOMPARE(opening->text(0), QString("Opening"));
  QCOMPARE(opening->childCount(), 2);
  QCOMPARE(tree->topLevelItem(1)->text(0), QString("Closing"));
  const struct {
    QTreeWidgetItem* item;
    int page;
  } entries[] = {{opening->child(1), 6}, {tree->topLevelItem(1), 10}, {opening, 0}, {opening->child(0), 2}};
  for (const auto& entry : entries) {
    QCOMPARE(entry.item->text(1), QString::number(entry.page + 1));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualItemRect(entry.item).center());
    QCOMPARE(view()->currentPage(), entry.page);
  }
  // Back goes to the entry chosen before.
  press(view(), Qt::Key_Left, Qt::AltModifier);
  QCOMPARE(view()->currentPage(), 0);
  // The next document has no outline: the panel goes.
  QVERIFY(openAndReadText("pages300.kwen"));
  QVERIFY(!panel->isVisible());
  QCOMPARE(tree->topLevelItemCount(), 0);
}

QTEST_MAIN(ReaderTextTest)
#include "reader_text_test.moc"
