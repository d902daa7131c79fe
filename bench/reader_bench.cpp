// Times the native reader on one document, as a person would meet it: from
// the program's start to the first page painted, page changes with the page
// built ahead and without, frames while scrolling continuously, and the
// peak memory after scrolling through every page. Prints one table row; a
// document the reader does not show gets "fails:" and the reason instead,
// and the exit status 1.
//
//   reader_bench DOCUMENT LABEL
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "viewer/desktop/main_window.h"

namespace {

constexpr int kWaitMs = 60000;
constexpr int kPageChanges = 20;
constexpr int kFarJumps = 10;

// A table cell: the value at `share` of the sorted values, or "-" for none
// (a document of one page has no page to change to).
std::string Quantile(std::vector<double> values, double share) {
  if (values.empty()) return "-";
  std::sort(values.begin(), values.end());
  char cell[32];
  std::snprintf(cell, sizeof cell, "%.1f", values[static_cast<size_t>(static_cast<double>(values.size() - 1) * share + 0.5)]);
  return cell;
}

template <typename Done>
bool WaitUntil(Done done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < kWaitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  return done();
}

double Milliseconds(const QElapsedTimer& timer) { return static_cast<double>(timer.nsecsElapsed()) / 1e6; }

// The largest resident set so far (VmHWM).
double PeakMemoryMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  if (argc != 3) {
    std::fprintf(stderr, "usage: reader_bench DOCUMENT LABEL\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setOrganizationName("kwenkit-bench");
  // Every run starts at the first page: nothing remembered.
  QSettings().clear();
  MainWindow window;
  window.resize(1100, 900);
  window.show();
  PageView* view = window.view();
  int lastShown = -1;
  QObject::connect(view, &PageView::pageShown, [&](int page) { lastShown = page; });
  window.openDocument(QString::fromLocal8Bit(argv[1]));
  // A document or first page the reader refuses says why in the banner.
  WaitUntil([&] { return lastShown == 0 || !window.message().isEmpty(); });
  const int count = view->pageCount();
  if (lastShown != 0) {
    const QString reason = window.message().isEmpty() ? QString("the first page never showed") : window.message();
    std::printf("| %s | %d | fails: %s | - | - | - | - | %.0f |\n", argv[2], count, qPrintable(reason),
                PeakMemoryMiB());
    return 1;
  }
  const double firstPaint = Milliseconds(sinceStart);

  // Page changes to pages built (and scaled) ahead: wait for the next page,
  // then press Right and paint.
  std::vector<double> cached;
  for (int k = 0; k < kPageChanges && k + 1 < count; ++k) {
    WaitUntil([&] { return view->pageSharp(view->currentPage() + 1); });
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(view, Qt::Key_Right);
    view->viewport()->repaint();
    cached.push_back(Milliseconds(timer));
  }
  // Jumps to pages far from any built one, until each is painted.
  std::vector<double> uncached;
  for (int k = 1; count > 1 && k <= kFarJumps; ++k) {
    const int page = std::min(count - 1, 40 + k * (count - 50) / kFarJumps);
    if (view->pageReady(page)) continue;
    lastShown = -1;
    QElapsedTimer timer;
    timer.start();
    view->showPage(page);
    WaitUntil([&] { return lastShown == page; });
    uncached.push_back(Milliseconds(timer));
  }
  // Scrolling from the top to the end by wheel notches, each frame painted
  // at once; pages not built yet paint as sheets, so frames never wait.
  view->showPage(0);
  std::vector<double> frames;
  QScrollBar* bar = view->verticalScrollBar();
  while (bar->value() < bar->maximum()) {
    QElapsedTimer timer;
    timer.start();
    QWheelEvent notch(QPointF(50, 50), view->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &notch);
    view->viewport()->repaint();
    frames.push_back(Milliseconds(timer));
    QCoreApplication::processEvents();
    // Each page is seen built before the scroll goes past it.
    const int page = view->currentPage();
    WaitUntil([&] { return view->pageReady(page) || !view->pageFailure(page).isEmpty(); });
  }
  std::printf("| %s | %d | %.0f | %s | %s | %s | %s | %.0f |\n", argv[2], count, firstPaint,
              Quantile(cached, 0.5).c_str(), Quantile(uncached, 0.5).c_str(), Quantile(frames, 0.5).c_str(),
              Quantile(frames, 0.95).c_str(), PeakMemoryMiB());
  return 0;
}
