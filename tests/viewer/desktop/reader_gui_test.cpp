// The reader as a person uses it, on Qt's offscreen platform: real key
// presses and wheel turns on the page view, what the view paints compared
// with what kwentool renders, and documents of every kind of damage.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>
#include <sys/stat.h>

#include "viewer/desktop/main_window.h"

namespace {

constexpr int kOpenWaitMs = 20000;

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Lets the event loop run until `done` holds or the time is up.
template <typename Done>
bool WaitUntil(Done done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < kOpenWaitMs) QTest::qWait(10);
  return done();
}

// Runs a program to its end; false (with its output in the log) on failure.
bool Run(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    qWarning() << program << arguments << process.readAllStandardError();
    return false;
  }
  return true;
}

// The kind of file at `path` (S_IFREG, S_IFCHR, S_IFIFO...), 0 when none.
unsigned FileKind(const QString& path) {
  struct stat status {};
  return stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

// The export's box of failure, closed once its text is read; empty when none is up.
QString TakeFailureBox(QWidget* window) {
  for (QMessageBox* box : window->findChildren<QMessageBox*>()) {
    if (!box->isVisible()) continue;
    const QString text = box->text();
    box->close();
    return text;
  }
  return {};
}

// Each screen pixel the average of the page pixels it covers, counted with
// the share of each page pixel inside it.
QImage AreaAverage(const QImage& source, int width, int height) {
  const QImage grey = source.convertToFormat(QImage::Format_Grayscale8);
  QImage out(width, height, QImage::Format_Grayscale8);
  const double sx = static_cast<double>(grey.width()) / width;
  const double sy = static_cast<double>(grey.height()) / height;
  for (int y = 0; y < height; ++y) {
    const double y0 = y * sy, y1 = (y + 1) * sy;
    for (int x = 0; x < width; ++x) {
      const double x0 = x * sx, x1 = (x + 1) * sx;
      double sum = 0, area = 0;
      for (int py = static_cast<int>(y0); py < std::min<double>(y1, grey.height()); ++py) {
        const double hy = std::min<double>(py + 1, y1) - std::max<double>(py, y0);
        const uchar* row = grey.constScanLine(py);
        for (int px = static_cast<int>(x0); px < std::min<double>(x1, grey.width()); ++px) {
          const double w = (std::min<double>(px + 1, x1) - std::max<double>(px, x0)) * hy;
          sum += w * row[px];
          area += w;
        }
      }
      out.scanLine(y)[x] = static_cast<uchar>(std::lround(sum / area));
    }
  }
  return out;
}

// The mean and the largest difference of two grey images of one size.
struct Difference {
  double mean;
  int largest;
};
Difference Compare(const QImage& a, const QImage& b) {
  const QImage ga = a.convertToFormat(QImage::Format_Grayscale8);
  const QImage gb = b.convertToFormat(QImage::Format_Grayscale8);
  double total = 0;
  int largest = 0;
  for (int y = 0; y < ga.height(); ++y) {
    for (int x = 0; x < ga.width(); ++x) {
      const int d = std::abs(ga.constScanLine(y)[x] - gb.constScanLine(y)[x]);
      total += d;
      largest = std::max(largest, d);
    }
  }
  return {total / (static_cast<double>(ga.width()) * ga.height()), largest};
}

}  // namespace

class ReaderGuiTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir folder_;
  QString sample_;
  QString pages_;
  std::unique_ptr<MainWindow> window_;

  QString path(const QString& name) const { return folder_.filePath(name); }
  QString render(const QString& doc, int page, const QString& format) {
    const QString out = path(QString("render-%1-%2.%3").arg(QFileInfo(doc).baseName()).arg(page).arg(format));
    if (!QFile::exists(out)) Run(KWENTOOL, {"render", doc, QString::number(page), out});
    return out;
  }
  // Opens a document and waits until it is open (true) or refused (false).
  bool open(const QString& doc) {
    QSignalSpy opened(window_.get(), &MainWindow::documentOpened);
    QSignalSpy failed(window_.get(), &MainWindow::documentFailed);
    window_->openDocument(doc);
    for (int waited = 0; waited < kOpenWaitMs && opened.isEmpty() && failed.isEmpty(); waited += 10) QTest::qWait(10);
    return !opened.isEmpty();
  }
  bool waitForPage(int page) {
    WaitUntil([&] { return window_->view()->pageReady(page) || !window_->view()->pageFailure(page).isEmpty(); });
    return window_->view()->pageReady(page);
  }
  QImage grabPage(int page) {
    PageView* view = window_->view();
    WaitUntil([&] { return view->pageSharp(page); });
    view->viewport()->repaint();
    const QImage shot = view->viewport()->grab().toImage();
    return shot.copy(view->pageRectInViewport(page).intersected(view->viewport()->rect()));
  }
  void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window_->view(), static_cast<Qt::Key>(key), modifiers);
  }
  void turnWheel(int notches, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* viewport = window_->view()->viewport();
    QWheelEvent wheel(QPointF(50, 50), viewport->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
  }

 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void pageAtActualSizeIsTheRenderPixelForPixel();
  void fitWidthIsTheAreaAverageOfTheRender();
  void pageOneShowsBeforeTheDocumentIsRestored();
  void keysAndWheelMoveThroughThePages();
  void zoomStepsAndTheirLimits();
  void goToPageAndHistory();
  void invertTurnsOneBitPagesExactly();
  void thumbnailsFollowAndSetThePage();
  void settingsComeBackOnReopening();
  void droppedFilesOpenAndF1ListsTheKeys();
  void exportedPagesAreTheRenderedBytes();
  void pdfHoldsThePagesAsRendered();
  void damagedDocumentsGiveMessagesAndLeaveTheReaderUsable();
  void pdfExportWritesDevicesAndPipesWhereTheyAre();
  void exportsOntoAFullDiskFailAndKeepTheOlderFiles();
  void restoringEndsWithWhatHappened_data();
  void restoringEndsWithWhatHappened();
};

void ReaderGuiTest::initTestCase() {
  QVERIFY(folder_.isValid());
  // Settings go to a folder of the test's own.
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("config")));
  QStandardPaths::setTestModeEnabled(true);
  QCoreApplication::setOrganizationName("kwenkit");
  QCoreApplication::setApplicationName("kwenview-test");
  QVERIFY(Run(MAKE_READER_DOCUMENTS, {folder_.path()}));
  sample_ = path("sample.kwen");
  const QString pagesDir = SAMPLE_PAGES;
  QVERIFY(Run(KWENTOOL, {"build", "-o", sample_, pagesDir + "/text-1.png", pagesDir + "/text-2.png",
                         pagesDir + "/colour.png"}));
  pages_ = path("pages300.kwen");
}

void ReaderGuiTest::init() {
  // Each case starts with nothing remembered.
  QSettings().clear();
  window_ = std::make_unique<MainWindow>();
  window_->resize(900, 700);
  window_->show();
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  window_->activateWindow();
  window_->view()->setFocus();
}

void ReaderGuiTest::cleanup() { window_.reset(); }

void ReaderGuiTest::pageAtActualSizeIsTheRenderPixelForPixel() {
  QVERIFY(open(sample_));
  // The colour page is at 150 dpi, the text pages at 300: at 100% the text
  // pages' pixels are the screen's.
  window_->view()->setZoom({ZoomMode::kFixed, 1.0});
  for (int page : {0, 1}) {
    window_->view()->showPage(page);
    QVERIFY(waitForPage(page));
    const QImage shown = grabPage(page);
    QVERIFY(shown.width() > 300 && shown.height() > 300);
    const QImage rendered(render(sample_, page + 1, "bmp"));
    const QRect rect = window_->view()->pageRectInViewport(page);
    // The part of the page in view: from the page's top, left edge.
    const QImage part = rendered.copy(std::max(0, -rect.x()), std::max(0, -rect.y()), shown.width(), shown.height());
    QCOMPARE(Compare(shown, part).largest, 0);
  }
  // The 150 dpi page is shown at twice its pixels: the same paper size.
  QCOMPARE(window_->view()->pageRectInViewport(2).width(), 2550);
}

void ReaderGuiTest::fitWidthIsTheAreaAverageOfTheRender() {
  QVERIFY(open(sample_));
  QCOMPARE(window_->view()->zoom().mode, ZoomMode::kFitWidth);
  QVERIFY(waitForPage(0));
  // The page's place is read once it is drawn sharp: the layout may still
  // change before, when the scroll bar comes with the later pages.
  const QImage shown = grabPage(0);
  const QRect rect = window_->view()->pageRectInViewport(0);
  QVERIFY(rect.width() < 2550 / 2 && rect.width() > 400);
  QVERIFY(rect.x() > 0 && rect.right() < window_->view()->viewport()->width());
  const QImage expected = AreaAverage(QImage(render(sample_, 1, "bmp")), rect.width(), rect.height())
                              .copy(0, 0, shown.width(), shown.height());
  const Difference difference = Compare(shown, expected);
  // Smoothed: grey levels, not only black and white, and the exact
  // average everywhere but for a rounding.
  QVERIFY2(difference.largest <= 1, qPrintable(QString::number(difference.largest)));
  int greys = 0;
  const QImage grey = shown.convertToFormat(QImage::Format_Grayscale8);
  for (int y = 0; y < grey.height(); ++y) {
    for (int x = 0; x < grey.width(); ++x) greys += grey.constScanLine(y)[x] % 255 != 0;
  }
  QVERIFY(greys > grey.width() * grey.height() / 100);
}

void ReaderGuiTest::pageOneShowsBeforeTheDocumentIsRestored() {
  window_->openDocument(path("figures300.kwen"));
  QTRY_VERIFY_WITH_TIMEOUT(window_->view()->pageReady(0), kOpenWaitMs);
  // Page 1 came while the pages at the end were still packed.
  QVERIFY(window_->restoring());
  QCOMPARE(window_->view()->pageCount(), 300);
  QTRY_VERIFY_WITH_TIMEOUT(!window_->restoring(), kOpenWaitMs);
  window_->view()->showPage(299);
  QVERIFY(waitForPage(299));
}

void ReaderGuiTest::keysAndWheelMoveThroughThePages() {
  QVERIFY(open(pages_));
  PageView* view = window_->view();
  QVERIFY(waitForPage(0));
  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
    int page;
  } steps[] = {
      {Qt::Key_Right, Qt::NoModifier, 1},   {Qt::Key_PageDown, Qt::NoModifier, 2},
      {Qt::Key_Left, Qt::NoModifier, 1},    {Qt::Key_PageUp, Qt::NoModifier, 0},
      {Qt::Key_Left, Qt::NoModifier, 0},    {Qt::Key_End, Qt::ControlModifier, 299},
      {Qt::Key_Right, Qt::NoModifier, 299}, {Qt::Key_Home, Qt::ControlModifier, 0},
  };
  for (const auto& step : steps) {
    press(step.key, step.modifiers);
    QCOMPARE(view->currentPage(), step.page);
    QVERIFY(view->pageRectInViewport(step.page).top() <= kPageGap);
  }
  // A screen down and back up again, by Down, Space, Enter and their reverses.
  const qint64 top = view->viewTop();
  for (int key : {Qt::Key_Down, Qt::Key_Space, Qt::Key_Return}) {
    press(key);
    QVERIFY(view->viewTop() > top);
    const qint64 moved = view->viewTop() - top;
    QVERIFY(moved > view->viewport()->height() / 2 && moved <= view->viewport()->height());
    press(key == Qt::Key_Space ? Qt::Key_Space : Qt::Key_Up, key == Qt::Key_Space ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(view->viewTop(), top);
  }
  // Screens go on into the next page, continuously.
  for (int k = 0; k < 5 && view->currentPage() == 0; ++k) press(Qt::Key_Down);
  QCOMPARE(view->currentPage(), 1);
  press(Qt::Key_End);
  QVERIFY(view->pageRectInViewport(1).bottom() < view->viewport()->height());
  // The wheel scrolls; turned back it returns.
  const qint64 before = view->viewTop();
  turnWheel(-1);
  QVERIFY(view->viewTop() > before);
  turnWheel(1);
  QCOMPARE(view->viewTop(), before);
  // The left button scrolls a thirtieth of the page down, the right one back.
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
  const qint64 thirtieth = view->pageRectInViewport(view->currentPage()).height() / 30;
  QVERIFY(qAbs(view->viewTop() - before - thirtieth) <= 1);
  QTest::mouseClick(view->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(50, 50));
  QCOMPARE(view->viewTop(), before);
  // In single-page mode a screen past the page's end is the next page.
  view->setSinglePage(true);
  view->showPage(5);
  for (int k = 0; k < 5 && view->currentPage() == 5; ++k) press(Qt::Key_Down);
  QCOMPARE(view->currentPage(), 6);
  QVERIFY(view->pageRectInViewport(5).isNull());
}

void ReaderGuiTest::zoomStepsAndTheirLimits() {
  QVERIFY(open(pages_));
  PageView* view = window_->view();
  const double fitted = view->scale();
  press(Qt::Key_Plus, Qt::ControlModifier);
  QVERIFY(view->scale() > fitted);
  QCOMPARE(view->zoom().mode, ZoomMode::kFixed);
  for (int k = 0; k < 20; ++k) press(Qt::Key_Plus, Qt::ControlModifier);
  QCOMPARE(view->scale(), 8.0);
  for (int k = 0; k < 20; ++k) press(Qt::Key_Minus, Qt::ControlModifier);
  QCOMPARE(view->scale(), 0.25);
  // Ctrl and the wheel: a notch is a step.
  turnWheel(1, Qt::ControlModifier);
  QCOMPARE(view->scale(), 0.33);
  turnWheel(1, Qt::ControlModifier);
  QCOMPARE(view->scale(), 0.5);
  // The zoom stays while paging, and the page shows at it.
  press(Qt::Key_Right);
  QCOMPARE(view->scale(), 0.5);
  QCOMPARE(view->pageRectInViewport(1).width(), 425);
}

void ReaderGuiTest::goToPageAndHistory() {
  QVERIFY(open(pages_));
  PageView* view = window_->view();
  press(Qt::Key_Right);
  press(Qt::Key_Right);
  for (const auto& [key, modifiers, number] :
       {std::tuple{Qt::Key_G, Qt::NoModifier, 50}, std::tuple{Qt::Key_G, Qt::ControlModifier, 120}}) {
    QTimer::singleShot(50, [number = number] {
      auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      QVERIFY(dialog);
      dialog->setIntValue(number);
      dialog->accept();
    });
    press(key, modifiers);
    QCOMPARE(view->currentPage(), number - 1);
  }
  QVERIFY(waitForPage(119));
  for (const auto& [key, modifiers, page] :
       {std::tuple{Qt::Key_Left, Qt::AltModifier, 49}, std::tuple{Qt::Key_Left, Qt::ControlModifier, 2},
        std::tuple{Qt::Key_Right, Qt::AltModifier, 49}, std::tuple{Qt::Key_Right, Qt::ControlModifier, 119}}) {
    press(key, modifiers);
    QCOMPARE(view->currentPage(), page);
  }
}

void ReaderGuiTest::invertTurnsOneBitPagesExactly() {
  QVERIFY(open(sample_));
  window_->view()->setZoom({ZoomMode::kFixed, 1.0});
  QVERIFY(waitForPage(0));
  const QImage normal = grabPage(0);
  QTest::keyClick(window_.get(), Qt::Key_I, Qt::ControlModifier);
  QVERIFY(window_->view()->inverted());
  QImage inverted = grabPage(0);
  inverted.invertPixels();
  QCOMPARE(Compare(normal, inverted).largest, 0);
}

void ReaderGuiTest::thumbnailsFollowAndSetThePage() {
  QVERIFY(open(sample_));
  QListWidget* thumbnails = window_->thumbnails();
  QCOMPARE(thumbnails->count(), 3);
  // Built in the background: the last one gets the picture of its page.
  const QImage blank = thumbnails->item(2)->icon().pixmap(thumbnails->iconSize()).toImage();
  QTRY_VERIFY_WITH_TIMEOUT(thumbnails->item(2)->icon().pixmap(thumbnails->iconSize()).toImage() != blank, kOpenWaitMs);
  press(Qt::Key_Right);
  QCOMPARE(thumbnails->currentRow(), 1);
  thumbnails->setCurrentRow(2);
  QCOMPARE(window_->view()->currentPage(), 2);
}

void ReaderGuiTest::settingsComeBackOnReopening() {
  const QString doc = path("pages300.bs");
  QVERIFY(open(doc));
  window_->view()->showPage(41);
  window_->view()->setZoom({ZoomMode::kFixed, 1.5});
  window_->view()->setSinglePage(true);
  QVERIFY(open(sample_));  // leaving the document keeps its place
  QCOMPARE(window_->view()->currentPage(), 0);
  QCOMPARE(window_->view()->zoom().mode, ZoomMode::kFitWidth);
  window_.reset();
  window_ = std::make_unique<MainWindow>();
  window_->show();
  QVERIFY(open(doc));
  QCOMPARE(window_->view()->currentPage(), 41);
  QCOMPARE(window_->view()->zoom().mode, ZoomMode::kFixed);
  QCOMPARE(window_->view()->scale(), 1.5);
  QVERIFY(window_->view()->singlePage());
  QCOMPARE(QSettings().value("recentFiles").toStringList().first(), QFileInfo(doc).absoluteFilePath());
}

void ReaderGuiTest::droppedFilesOpenAndF1ListsTheKeys() {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(sample_)});
  QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window_.get(), &enter);
  QVERIFY(enter.isAccepted());
  QSignalSpy opened(window_.get(), &MainWindow::documentOpened);
  QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window_.get(), &drop);
  QVERIFY(opened.wait(kOpenWaitMs));
  QCOMPARE(window_->documentPath(), QFileInfo(sample_).absoluteFilePath());
  const auto boxTextAfter = [this](int key) {
    QString text;
    QTimer::singleShot(50, [&text] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      text = box->text();
      box->accept();
    });
    press(key);
    return text;
  };
  const QString keys = boxTextAfter(Qt::Key_F1);
  for (const char* key : {"Ctrl + G", "Alt + Left", "Space", "invert", "zoom", "F / P"}) QVERIFY2(keys.contains(key), key);
  QCOMPARE(boxTextAfter(Qt::Key_F), window_->documentPath());
  press(Qt::Key_Right);
  QCOMPARE(boxTextAfter(Qt::Key_P), QString("Current page is 2 of 3"));
}

void ReaderGuiTest::exportedPagesAreTheRenderedBytes() {
  QVERIFY(open(sample_));
  for (const auto& [page, format] : {std::pair{1, "bmp"}, std::pair{3, "bmp"}, std::pair{3, "png"}}) {
    const QString out = path(QString("export-%1.%2").arg(page).arg(format));
    QSignalSpy finished(window_.get(), &MainWindow::exportFinished);
    window_->exportPage(page - 1, out);
    QVERIFY(finished.wait(kOpenWaitMs));
    QCOMPARE(finished.first().at(1).toString(), QString());
    QCOMPARE(ReadAll(out), ReadAll(render(sample_, page, format)));
  }
  // A folder that does not exist: a message, and the reader goes on.
  QSignalSpy finished(window_.get(), &MainWindow::exportFinished);
  window_->exportPage(0, path("no/such/folder/p.bmp"));
  QVERIFY(finished.wait(kOpenWaitMs));
  QVERIFY(TakeFailureBox(window_.get()).contains("no/such/folder/p.bmp"));
}

void ReaderGuiTest::pdfHoldsThePagesAsRendered() {
  QVERIFY(open(sample_));
  const QString pdf = path("sample.pdf");
  QSignalSpy finished(window_.get(), &MainWindow::exportFinished);
  window_->exportPdf("1,3", pdf);
  QVERIFY(finished.wait(kOpenWaitMs));
  QCOMPARE(finished.first().at(1).toString(), QString());
  // The headless export writes the same pages.
  const QString headless = path("headless.pdf");
  QVERIFY(Run(KWENVIEW, {"--export-pdf", sample_, headless, "--pages", "3"}));
  // Each page at its resolution: the text page at 300 dpi, the colour page at 150.
  for (const auto& [file, first, resolution, page] :
       {std::tuple{pdf, 1, 300, 1}, std::tuple{pdf, 2, 150, 3}, std::tuple{headless, 1, 150, 3}}) {
    const QString prefix = path(QString("pdfpage-%1-%2").arg(QFileInfo(file).baseName()).arg(first));
    QVERIFY(Run("pdftoppm", {"-r", QString::number(resolution), "-f", QString::number(first), "-l",
                             QString::number(first), "-singlefile", "-png", file, prefix}));
    const QImage fromPdf(prefix + ".png");
    const QImage rendered(render(sample_, page, "bmp"));
    QCOMPARE(fromPdf.size(), rendered.size());
    // The rasteriser resamples the pictures a little.
    const Difference difference = Compare(fromPdf, rendered);
    QVERIFY2(difference.mean < 6.0, qPrintable(QString::number(difference.mean)));
  }
  // The 1-bit page is kept as a 1-bit picture of the page's very pixels.
  QVERIFY(Run("pdfimages", {"-f", "1", "-l", "1", "-png", pdf, path("pdfimage")}));
  const QImage picture(path("pdfimage-000.png"));
  QCOMPARE(picture.depth(), 1);
  QCOMPARE(Compare(picture, QImage(render(sample_, 1, "bmp"))).largest, 0);
  // A page the document has not: refused, and nothing written.
  QProcess process;
  process.start(KWENVIEW, {"--export-pdf", sample_, path("none.pdf"), "--pages", "9"});
  QVERIFY(process.waitForFinished());
  QCOMPARE(process.exitCode(), 1);
  QVERIFY(process.readAllStandardError().contains("has no page 9"));
  QVERIFY(!QFile::exists(path("none.pdf")));
  // 999 white pages of 8192 x 8192 x 24 bits: each a white fill, no picture.
  const QString hostile = path("export-hostile");
  QDir().mkpath(hostile);
  QVERIFY(Run(MAKE_HOSTILE, {hostile}));
  const QString white = path("white.pdf");
  QVERIFY(Run(KWENVIEW, {"--export-pdf", hostile + "/white_pages.kwen", white}));
  QProcess pdfinfo;
  pdfinfo.start("pdfinfo", {white});
  QVERIFY(pdfinfo.waitForFinished());
  QVERIFY(pdfinfo.readAllStandardOutput().contains("Pages:           999"));
  QProcess pdfimages;
  pdfimages.start("pdfimages", {"-list", white});
  QVERIFY(pdfimages.waitForFinished());
  QCOMPARE(pdfimages.readAllStandardOutput().count('\n'), 2);  // the heading alone
  QVERIFY(Run("pdftoppm", {"-r", "3", "-f", "999", "-l", "999", "-singlefile", "-png", white, path("white")}));
  const QImage last(path("white.png"));
  QCOMPARE(last.size(), QSize(82, 82));  // 8192 pixels at 300 dpi, drawn at 3
  QImage paper(last.size(), QImage::Format_RGB32);
  paper.fill(Qt::white);
  QCOMPARE(Compare(last, paper).largest, 0);
}

void ReaderGuiTest::damagedDocumentsGiveMessagesAndLeaveTheReaderUsable() {
  const QString hostile = path("hostile");
  QDir().mkpath(hostile);
  QVERIFY(Run(MAKE_HOSTILE, {hostile}));
  QStringList documents;
  for (const QString& folder : {hostile, QString(TEST_DATA), QString(UNPACK_SEEDS)}) {
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) documents << file.absoluteFilePath();
  }
  for (const char* name : {"old_label.kwen", "damaged_table.kwen", "bad_first_page.kwen", "cut.kwen",
                           "not_a_document.bs", "empty.kwen", "missing.kwen"}) {
    documents << path(name);
  }
  int refused = 0;
  for (const QString& doc : documents) {
    const bool opened = open(doc);
    if (!opened) {
      ++refused;
      QVERIFY2(window_->message().contains(QFileInfo(doc).fileName()), qPrintable(doc + ": " + window_->message()));
      continue;
    }
    // Opened: every page is shown or has a message naming the document.
    for (int page = 0; page < std::min(window_->view()->pageCount(), 3); ++page) {
      window_->view()->showPage(page);
      if (!waitForPage(page)) {
        QVERIFY2(window_->message().contains(QFileInfo(doc).fileName()), qPrintable(doc));
      }
    }
  }
  QVERIFY(refused >= 5);
  // The reader reads on.
  QVERIFY(open(sample_));
  QVERIFY(waitForPage(0));
  QCOMPARE(window_->message(), QString());
  // The pages past the cut of a cut stream are refused one by one.
  QVERIFY(open(path("cut.kwen")));
  window_->view()->showPage(window_->view()->pageCount() - 1);
  QVERIFY(!waitForPage(window_->view()->pageCount() - 1));
  // A page image is not taken for a damaged picture: the message says how
  // to make a document of it.
  QVERIFY(!open(QString(SAMPLE_PAGES) + "/text-1.png"));
  QVERIFY2(window_->message().contains("text-1.png: it is not a kwen document or a BMP picture; make a document of "
                                       "it with: kwentool build -o text-1.kwen text-1.png"),
           qPrintable(window_->message()));
}

void ReaderGuiTest::pdfExportWritesDevicesAndPipesWhereTheyAre() {
  QTemporaryDir work;
  const QString fifo = work.filePath("pipe");
  QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
  QProcess reader;
  reader.setStandardOutputFile(work.filePath("from-pipe.pdf"));
  reader.start("cat", {fifo});
  QVERIFY(Run(KWENVIEW, {"--export-pdf", sample_, fifo}));
  QVERIFY(reader.waitForFinished());
  QCOMPARE(FileKind(fifo), unsigned{S_IFIFO});
  const QByteArray pdf = ReadAll(work.filePath("from-pipe.pdf"));
  QVERIFY(pdf.startsWith("%PDF") && pdf.trimmed().endsWith("%%EOF"));
  QVERIFY(Run(KWENVIEW, {"--export-pdf", sample_, "/dev/null"}));
  QCOMPARE(FileKind("/dev/null"), unsigned{S_IFCHR});
  // Nothing but the pipe and what came through it.
  QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
           QStringList({"from-pipe.pdf", "pipe"}));
}

void ReaderGuiTest::exportsOntoAFullDiskFailAndKeepTheOlderFiles() {
  QTemporaryDir work;
  const QString disk = work.filePath("disk");
  QDir().mkpath(disk);
  if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", disk}) != 0) {
    QSKIP("mounting a 64 KiB tmpfs is not permitted here: the full-disk exports go untested");
  }
  const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {disk}); });
  const QByteArray older("the user's older bytes");
  const QStringList names{"book.pdf", "page.bmp", "window.pdf"};
  for (const QString& name : names) {
    QFile file(disk + "/" + name);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(older) == older.size());
  }
  // 40 pages of text make a PDF larger than the disk.
  QProcess process;
  process.start(KWENVIEW, {"--export-pdf", pages_, disk + "/book.pdf", "--pages", "1-40"});
  QVERIFY(process.waitForFinished(120000));
  QCOMPARE(process.exitCode(), 1);
  QVERIFY2(process.readAllStandardError().contains("No space left on device"), "the system's reason");
  // The window: a box for each export, a page of 117 KiB and a PDF.
  QVERIFY(open(pages_));
  QSignalSpy finished(window_.get(), &MainWindow::exportFinished);
  window_->exportPage(0, disk + "/page.bmp");
  QVERIFY(finished.wait(kOpenWaitMs));
  QVERIFY(TakeFailureBox(window_.get()).contains("No space left on device"));
  window_->exportPdf("1-40", disk + "/window.pdf");
  QVERIFY(finished.wait(kOpenWaitMs));
  QVERIFY(TakeFailureBox(window_.get()).contains("No space left on device"));
  for (const QString& name : names) QCOMPARE(ReadAll(disk + "/" + name), older);
  QCOMPARE(QDir(disk).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden), names);
}

void ReaderGuiTest::restoringEndsWithWhatHappened_data() {
  QTest::addColumn<QString>("document");
  QTest::addColumn<int>("pages");
  QTest::addColumn<int>("pagesShown");
  QTest::addColumn<QString>("ending");
  QTest::addColumn<QString>("missingPage");  // what the first page not shown says
  QTest::addColumn<QString>("toolSays");     // kwentool info's last words
  // A page of 16.7 million dots in a few dozen bytes: all restored, shown.
  QTest::newRow("huge page") << "huge_page.kwen" << 1 << 1 << "" << "" << "";
  QTest::newRow("cut") << "cut.kwen" << 300 << 150 << "The document is cut short after page 150"
                       << "The document is cut short after page 150 (Read "
                       << "kwentool: %1 is cut short after page 150 of 300\n";
  // Page 1 refers outside the document; the rest of the stream decodes as
  // noise to the data's end, which reads as a cut in page 2.
  QTest::newRow("flipped bytes") << "flipped.kwen" << 2 << 0 << "The document is cut short after page 1"
                                 << "the page is damaged (A spot refers to a place outside the document)"
                                 << "kwentool: A spot refers to a place outside the document\n";
}

// Restoring ends, whole or not, and the status line says how: never a
// percentage that stays with no work going on. The thumbnails are one for
// each page, each of one size, numbered once.
void ReaderGuiTest::restoringEndsWithWhatHappened() {
  QFETCH(QString, document);
  QFETCH(int, pages);
  QFETCH(int, pagesShown);
  QFETCH(QString, ending);
  QFETCH(QString, missingPage);
  QFETCH(QString, toolSays);
  QProcess tool;
  tool.start(KWENTOOL, {"info", path(document)});
  QVERIFY(tool.waitForFinished());
  QCOMPARE(tool.exitCode(), toolSays.isEmpty() ? 0 : 1);
  const QString toolError = QString::fromLocal8Bit(tool.readAllStandardError());
  QVERIFY2(toolSays.isEmpty() ? toolError.isEmpty() : toolError.endsWith(QString(toolSays).replace("%1", path(document))),
           qPrintable(toolError));
  QVERIFY(open(path(document)));
  QTRY_VERIFY_WITH_TIMEOUT(!window_->restoring(), kOpenWaitMs);
  QCOMPARE(window_->restoreEnding(), ending);
  QCOMPARE(window_->view()->pageCount(), pages);
  QListWidget* thumbnails = window_->thumbnails();
  QCOMPARE(thumbnails->count(), pages);
  for (int page = 0; page < pages; ++page) {
    QCOMPARE(thumbnails->item(page)->text(), QString::number(page + 1));
    QCOMPARE(thumbnails->item(page)->icon().availableSizes(), QList<QSize>{thumbnails->iconSize()});
  }
  window_->view()->showPage(pagesShown);
  if (pagesShown < pages) {
    QVERIFY(!waitForPage(pagesShown));
    QVERIFY2(window_->view()->pageFailure(pagesShown).startsWith(missingPage),
             qPrintable(window_->view()->pageFailure(pagesShown)));
    QCOMPARE(thumbnails->item(pagesShown)->toolTip(), window_->view()->pageFailure(pagesShown));
  }
  if (pagesShown > 0) {
    window_->view()->showPage(pagesShown - 1);
    QVERIFY(waitForPage(pagesShown - 1));
  }
}

QTEST_MAIN(ReaderGuiTest)
#include "reader_gui_test.moc"
