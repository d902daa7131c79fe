#include "viewer/desktop/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

#include "render/reader_texts.h"
#include "viewer/desktop/page_output.h"
#include "viewer/desktop/reader_settings.h"

namespace {

constexpr int kThumbnailWidth = 110;
// A document's title longer than this is cut short in the window's title.
constexpr int kLongestTitle = 100;
// The sheet of a page that cannot be shown, in the thumbnails.
const QColor kFailedSheet(0xfc, 0xe4, 0xe4);
constexpr const char* kReaderKeys =
    "Right arrow, PgDn\t\t- next page\n"
    "Left arrow, PgUp\t\t- previous page\n"
    "Down arrow, Enter, Space\t- next screen\n"
    "Up arrow, Shift + Space\t- previous screen\n"
    "Shift + Down / Up arrow,\n"
    "left / right mouse button\t- scroll a thirtieth of the page\n"
    "Home / End\t\t- top / end of the current page\n"
    "Ctrl + Home / End\t\t- first / last page\n"
    "G, Ctrl + G\t\t- go to page by typing its number\n"
    "Ctrl + Left / Right arrow,\n"
    "Alt + Left / Right arrow\t- previously viewed / following viewed page\n"
    "Ctrl + plus / minus,\n"
    "Ctrl + mouse wheel\t- zoom in / out\n"
    "Ctrl + I\t\t\t- invert colours\n"
    "F9\t\t\t- thumbnails\n"
    "Ctrl + F, F3 / Shift + F3\t- find, next / previous match\n"
    "drag the mouse, Ctrl + C\t- select text, copy it\n"
    "F / P\t\t\t- the file's name / the page's number\n"
    "F1\t\t\t- these keys";

QString Utf8(const char* text) { return QString::fromUtf8(text); }

// "Title - file.kwen - kwenview", or without the title when there is none.
QString WindowTitle(const std::string& documentTitle, const QString& path) {
  const QString file = QFileInfo(path).fileName();
  QString title = QString::fromStdString(documentTitle).simplified();
  if (title.size() > kLongestTitle) title = title.left(kLongestTitle - 1) + QChar(0x2026);
  if (title.isEmpty()) return QObject::tr("%1 - kwenview").arg(file);
  return QObject::tr("%1 - %2 - kwenview").arg(title, file);
}

}  // namespace

MainWindow::MainWindow()
    : view_(new PageView(&worker_)), banner_(new QLabel), searchBar_(new SearchBar), outlinePanel_(new OutlinePanel) {
  setWindowTitle(tr("kwenview"));
  setAcceptDrops(true);
  banner_->setObjectName("messageBanner");
  banner_->setWordWrap(true);
  banner_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  banner_->setStyleSheet("QLabel { background: #fce4e4; color: #7a1010; padding: 6px; border-bottom: 1px solid #d99; }");
  banner_->hide();
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(banner_);
  layout->addWidget(view_, 1);
  layout->addWidget(searchBar_);
  setCentralWidget(central);
  connect(searchBar_, &SearchBar::hitsChanged, view_, &PageView::setSearchHits);
  connect(searchBar_, &SearchBar::hitChosen, this, [this](const kwen::TextHit& hit) {
    if (hit.page != view_->currentPage()) RecordPage(history_, hit.page);
    view_->revealBox(hit.page, hit.boxes.empty() ? kwen::Box{} : hit.boxes.front());
  });
  connect(searchBar_, &SearchBar::closed, view_, [this] { view_->setFocus(); });
  connect(view_, &PageView::textSelected, this, [](const QString& text) {
    // Selected text is there for pasting with the middle button, where the system has that.
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection()) clipboard->setText(text, QClipboard::Selection);
  });

  thumbnails_ = new QListWidget;
  thumbnails_->setObjectName("thumbnails");
  thumbnails_->setViewMode(QListView::IconMode);
  thumbnails_->setFlow(QListView::TopToBottom);
  thumbnails_->setWrapping(false);
  thumbnails_->setMovement(QListView::Static);
  thumbnails_->setIconSize(QSize(kThumbnailWidth, kThumbnailWidth * 13 / 10));
  thumbnails_->setGridSize(QSize(kThumbnailWidth + 24, kThumbnailWidth * 13 / 10 + 28));
  thumbnails_->setMinimumWidth(kThumbnailWidth + 48);
  thumbnails_->setFocusPolicy(Qt::NoFocus);
  thumbnailDock_ = new QDockWidget(tr("Pages"));
  thumbnailDock_->setObjectName("thumbnailDock");
  thumbnailDock_->setWidget(thumbnails_);
  thumbnailDock_->setFeatures(QDockWidget::DockWidgetClosable);
  addDockWidget(Qt::LeftDockWidgetArea, thumbnailDock_);
  connect(thumbnails_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row != view_->currentPage()) {
      moveToPage(row);
    }
  });
  addDockWidget(Qt::LeftDockWidgetArea, outlinePanel_);
  tabifyDockWidget(thumbnailDock_, outlinePanel_);
  outlinePanel_->hide();
  connect(outlinePanel_, &OutlinePanel::pageChosen, this, &MainWindow::moveToPage);

  pageLabel_ = new QLabel;
  restoreLabel_ = new QLabel;
  restoreLabel_->setObjectName("restoreEnding");
  zoomLabel_ = new QLabel;
  progressBar_ = new QProgressBar;
  progressBar_->setMaximumWidth(180);
  progressBar_->setFormat(tr("Unpacking %p%"));
  progressBar_->hide();
  statusBar()->addWidget(pageLabel_);
  statusBar()->addWidget(restoreLabel_);
  statusBar()->addPermanentWidget(progressBar_);
  statusBar()->addPermanentWidget(zoomLabel_);

  buildMenus();
  connect(view_, &PageView::currentPageChanged, this, &MainWindow::onCurrentPage);
  connect(view_, &PageView::zoomChanged, this, &MainWindow::updateZoomLabel);
  connect(view_, &PageView::goToPageAsked, this, &MainWindow::askGoToPage);
  connect(view_, &PageView::keysAsked, this, &MainWindow::showKeys);
  connect(view_, &PageView::fileNameAsked, this, [this] {
    if (requireDocument()) showInformation(Utf8(text::kFileNameCaption), documentPath());
  });
  connect(view_, &PageView::pageNumberAsked, this, [this] {
    if (requireDocument()) {
      showInformation(Utf8(text::kPageNumberCaption),
                      Utf8(PageNumberText(view_->currentPage(), view_->pageCount()).c_str()));
    }
  });
  connect(view_, &PageView::pageStepAsked, this, [this](bool forward) {
    const int page = view_->currentPage() + (forward ? 1 : -1);
    moveToPage(std::clamp(page, 0, std::max(0, view_->pageCount() - 1)));
  });
  connect(view_, &PageView::historyAsked, this, &MainWindow::walkHistory);
  connect(view_, &PageView::documentEdgeAsked, this, [this](bool last) {
    const int page = last ? view_->pageCount() - 1 : 0;
    if (page >= 0 && page != view_->currentPage()) moveToPage(page);
  });

  connect(&worker_, &DocumentWorker::opened, this, &MainWindow::onOpened);
  connect(&worker_, &DocumentWorker::openFailed, this, &MainWindow::onOpenFailed);
  connect(&worker_, &DocumentWorker::pageExtent, this, [this](quint64 number, int page, int w, int h, int dpi) {
    if (number == view_->documentNumber()) view_->addExtent(page, {w, h, dpi});
  });
  connect(&worker_, &DocumentWorker::pageBuilt, this, &MainWindow::onPageBuilt);
  connect(&worker_, &DocumentWorker::pageFailed, this, &MainWindow::onPageFailed);
  connect(&worker_, &DocumentWorker::progress, this, &MainWindow::onProgress);
  connect(&worker_, &DocumentWorker::restoreEnded, this, &MainWindow::onRestoreEnded);
  connect(&worker_, &DocumentWorker::thumbnailBuilt, this, &MainWindow::onThumbnail);
  worker_.start();
  updateZoomLabel();
  resize(1000, 800);
}

MainWindow::~MainWindow() { saveDocumentSettings(); }

void MainWindow::moveToPage(int page) {
  if (page < 0 || page >= view_->pageCount()) return;
  RecordPage(history_, page);
  view_->showPage(page);
}

void MainWindow::walkHistory(bool forward) {
  if (view_->pageCount() == 0) return;
  const int count = view_->pageCount();
  view_->showPage(forward ? StepForward(history_, count) : StepBack(history_, count));
}

void MainWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(tr("&Open..."), QKeySequence::Open, this, &MainWindow::askOpen);
  recentMenu_ = file->addMenu(tr("Open &Recent"));
  fillRecentMenu();
  file->addSeparator();
  file->addAction(tr("&Export Page..."), QKeySequence(tr("Ctrl+E")), this, &MainWindow::askExportPage);
  file->addAction(tr("Export as P&DF..."), this, &MainWindow::askExportPdf);
  file->addAction(tr("&Print..."), QKeySequence::Print, this, &MainWindow::askPrint);
  file->addSeparator();
  file->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  edit->addAction(tr("&Copy"), QKeySequence::Copy, this, &MainWindow::copySelection);
  edit->addAction(tr("Select &All on Page"), QKeySequence::SelectAll, view_, &PageView::selectPage);
  edit->addSeparator();
  edit->addAction(tr("&Find"), QKeySequence::Find, searchBar_, &SearchBar::openBar);
  edit->addAction(tr("Find &Next"), QKeySequence(Qt::Key_F3), this, [this] { searchBar_->step(true); });
  edit->addAction(tr("Find &Previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3), this, [this] { searchBar_->step(false); });

  // Keys that the page view handles itself are named in the menus' texts
  // only, so that they reach the view in every state of focus.
  QMenu* viewMenu = menuBar()->addMenu(tr("&View"));
  viewMenu->addAction(tr("Fit &Width"), this, [this] { view_->setZoom({ZoomMode::kFitWidth, 1.0}); });
  viewMenu->addAction(tr("Fit &Page"), this, [this] { view_->setZoom({ZoomMode::kFitPage, 1.0}); });
  viewMenu->addAction(tr("&Actual Size"), this, [this] { view_->setZoom({ZoomMode::kFixed, 1.0}); });
  viewMenu->addAction(tr("Zoom &In\tCtrl++"), view_, &PageView::zoomIn);
  viewMenu->addAction(tr("Zoom &Out\tCtrl+-"), view_, &PageView::zoomOut);
  viewMenu->addSeparator();
  singlePageAction_ = viewMenu->addAction(tr("&Single Page"));
  singlePageAction_->setCheckable(true);
  connect(singlePageAction_, &QAction::toggled, view_, &PageView::setSinglePage);
  invertAction_ = viewMenu->addAction(tr("I&nvert Colours"));
  invertAction_->setCheckable(true);
  invertAction_->setShortcut(QKeySequence(tr("Ctrl+I")));
  connect(invertAction_, &QAction::toggled, view_, &PageView::setInverted);
  QAction* panel = thumbnailDock_->toggleViewAction();
  panel->setText(tr("&Thumbnails"));
  panel->setShortcut(QKeySequence(tr("F9")));
  viewMenu->addAction(panel);
  QAction* outline = outlinePanel_->toggleViewAction();
  outline->setText(tr("O&utline"));
  viewMenu->addAction(outline);

  QMenu* go = menuBar()->addMenu(tr("&Go"));
  go->addAction(tr("&Go to Page...\tCtrl+G"), this, &MainWindow::askGoToPage);
  go->addAction(tr("&Back\tAlt+Left"), this, [this] { walkHistory(false); });
  go->addAction(tr("&Forward\tAlt+Right"), this, [this] { walkHistory(true); });

  QMenu* help = menuBar()->addMenu(tr("&Help"));
  help->addAction(tr("&Keys\tF1"), this, &MainWindow::showKeys);
  help->addAction(tr("&About"), this, [this] {
    QMessageBox::about(this, tr("About kwenview"), tr("kwenview %1\nA reader of kwen documents.").arg(KWENVIEW_VERSION));
  });
}

void MainWindow::showMessage(const QString& text) {
  banner_->setText(text);
  banner_->show();
}

// A box that does not stop the window: the export ran on the worker, and
// the reader goes on while the box is up.
void MainWindow::showExportFailure(const QString& path, const QString& failure) {
  auto* box = new QMessageBox(QMessageBox::Warning, tr("Export failed"),
                              tr("Export of %1 failed: %2").arg(QDir::toNativeSeparators(path), failure),
                              QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

bool MainWindow::requireDocument() {
  if (view_->pageCount() > 0) return true;
  showMessage(tr("No document is open."));
  return false;
}

void MainWindow::openDocument(const QString& path) {
  saveDocumentSettings();
  const QString fullPath = QFileInfo(path).absoluteFilePath();
  banner_->hide();
  view_->closeDocument();
  thumbnails_->clear();
  documentPath_.clear();
  restoreLabel_->clear();
  searchBar_->waitForText();
  outlinePanel_->setOutline({});
  outlinePanel_->hide();
  textAsked_ = false;
  pendingNumber_ = worker_.open(fullPath);
  restoring_ = true;
  progressBar_->setValue(0);
  progressBar_->show();
  setWindowTitle(WindowTitle({}, fullPath));
}

void MainWindow::onOpened(quint64 number, const QString& path, int pageCount) {
  if (number != pendingNumber_) return;
  documentPath_ = path;
  view_->startDocument(number, pageCount);
  RecordPage(history_, 0);
  // Blank sheets until the pages are built.
  QPixmap blank(thumbnails_->iconSize());
  blank.fill(Qt::white);
  const QIcon blankIcon(blank);
  for (int page = 0; page < pageCount; ++page) {
    auto* item = new QListWidgetItem(blankIcon, QString::number(page + 1));
    item->setTextAlignment(Qt::AlignHCenter | Qt::AlignBottom);
    thumbnails_->addItem(item);
  }
  worker_.wantThumbnails(number, thumbnails_->iconSize());
  restoreDocumentSettings();
  rememberRecent(path);
  emit documentOpened(path);
}

void MainWindow::onOpenFailed(quint64 number, const QString& path, const QString& reason) {
  if (number != pendingNumber_) return;
  restoring_ = false;
  progressBar_->hide();
  setWindowTitle(tr("kwenview"));
  showMessage(tr("Cannot open %1: %2").arg(QDir::toNativeSeparators(path), reason));
  emit documentFailed(path, reason);
}

void MainWindow::onPageBuilt(quint64 number, int page, double scale, const QImage& image) {
  if (number == view_->documentNumber()) view_->addPage(page, scale, image);
}

void MainWindow::onPageFailed(quint64 number, int page, const QString& reason) {
  if (number != view_->documentNumber()) return;
  view_->addFailure(page, reason);
  if (page < thumbnails_->count()) {
    QPixmap sheet(thumbnails_->iconSize());
    sheet.fill(kFailedSheet);
    thumbnails_->item(page)->setIcon(QIcon(sheet));
    thumbnails_->item(page)->setToolTip(reason);
  }
  showMessage(tr("Page %1 of %2 cannot be shown: %3").arg(page + 1).arg(QFileInfo(documentPath_).fileName(), reason));
}

void MainWindow::onProgress(quint64 number, qint64 restored, qint64 total) {
  if (number != view_->documentNumber()) return;
  const int percent = total > 0 ? static_cast<int>(std::min<qint64>(100, restored * 100 / total)) : 100;
  progressBar_->setValue(percent);
  if (restored >= total) {
    restoring_ = false;
    progressBar_->hide();
    readText(number);
  }
}

void MainWindow::onRestoreEnded(quint64 number, const QString& ending) {
  if (number != view_->documentNumber()) return;
  restoring_ = false;
  progressBar_->hide();
  restoreLabel_->setText(ending);
  readText(number);
}

void MainWindow::readText(quint64 number) {
  if (textAsked_) return;
  textAsked_ = true;
  worker_.runOnDocument(number, [this, number](const kwen::Document* document) {
    if (document == nullptr) return;
    auto text = std::make_shared<kwen::DocumentText>();
    std::optional<kwen::TextSearch> search;
    std::optional<QString> failure;
    try {
      *text = document->Text();
      // Made ready here once, so that searching as the user types is quick.
      if (text->HasWords()) search.emplace(*text);
    } catch (const std::exception& error) {
      failure = QString::fromUtf8(error.what());
    }
    QMetaObject::invokeMethod(this, [this, number, text, search, failure] { onTextRead(number, text, search, failure); });
  });
}

// The pages read on whatever the text holds: a damaged text is said in the
// search bar, with the library's words.
void MainWindow::onTextRead(quint64 number, const std::shared_ptr<const kwen::DocumentText>& text,
                            const std::optional<kwen::TextSearch>& search, const std::optional<QString>& failure) {
  if (number != view_->documentNumber()) return;
  if (failure) {
    searchBar_->setTextFailure(*failure);
    emit textRead();
    return;
  }
  searchBar_->setSearch(search);
  view_->setDocumentText(text);
  setWindowTitle(WindowTitle(text->title, documentPath_));
  outlinePanel_->setOutline(text->outline);
  if (!text->outline.empty()) {
    outlinePanel_->show();
    outlinePanel_->raise();
  }
  emit textRead();
}

void MainWindow::copySelection() {
  const QString text = view_->selectedText();
  if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void MainWindow::onThumbnail(quint64 number, int page, const QImage& image) {
  if (number != view_->documentNumber() || page >= thumbnails_->count()) return;
  QImage shown = image;
  if (view_->inverted()) shown.invertPixels();
  // Every icon of the list is of one size: the list lays its items out once,
  // and an item whose icon changed size would be drawn twice.
  QPixmap icon(thumbnails_->iconSize());
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  const QRect place = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignHCenter | Qt::AlignBottom, shown.size(), icon.rect());
  painter.drawImage(place, shown);
  painter.end();
  thumbnails_->item(page)->setIcon(QIcon(icon));
}

void MainWindow::onCurrentPage(int page) {
  searchBar_->setViewedPage(page);
  const int count = view_->pageCount();
  pageLabel_->setText(count > 0 ? QString::fromStdString(PageNumberText(page, count)) : QString());
  if (page < thumbnails_->count() && thumbnails_->currentRow() != page) {
    const QSignalBlocker blocker(thumbnails_);
    thumbnails_->setCurrentRow(page);
  }
  if (page < thumbnails_->count()) thumbnails_->scrollToItem(thumbnails_->item(page));
}

void MainWindow::updateZoomLabel() {
  const ZoomState zoom = view_->zoom();
  QString text = tr("%1%").arg(qRound(view_->scale() * 100));
  if (zoom.mode == ZoomMode::kFitWidth) text = tr("Fit width (%1)").arg(text);
  if (zoom.mode == ZoomMode::kFitPage) text = tr("Fit page (%1)").arg(text);
  zoomLabel_->setText(text);
}

void MainWindow::saveDocumentSettings() {
  if (documentPath_.isEmpty() || view_->pageCount() == 0) return;
  QSettings settings;
  settings.beginGroup(QString::fromStdString(DocumentSettingsGroup(documentPath_.toStdString())));
  settings.setValue(kLastPageKey, view_->currentPage());
  settings.setValue(kZoomModeKey, Utf8(ZoomModeName(view_->zoom().mode)));
  settings.setValue(kZoomScaleKey, view_->zoom().fixedScale);
  settings.setValue(kSinglePageKey, view_->singlePage());
  settings.endGroup();
}

void MainWindow::restoreDocumentSettings() {
  QSettings settings;
  settings.beginGroup(QString::fromStdString(DocumentSettingsGroup(documentPath_.toStdString())));
  ZoomState zoom;
  zoom.mode = ZoomModeFromName(settings.value(kZoomModeKey).toString().toStdString());
  zoom.fixedScale = settings.value(kZoomScaleKey, 1.0).toDouble();
  const bool single = settings.value(kSinglePageKey, false).toBool();
  const int page = settings.value(kLastPageKey, 0).toInt();
  settings.endGroup();
  singlePageAction_->setChecked(single);
  view_->setSinglePage(single);
  view_->setZoom(zoom);
  if (page > 0 && page < view_->pageCount()) {
    moveToPage(page);
  }
  onCurrentPage(view_->currentPage());
}

void MainWindow::rememberRecent(const QString& path) {
  QSettings settings;
  QStringList recent = settings.value(kRecentFilesKey).toStringList();
  recent.removeAll(path);
  recent.prepend(path);
  while (recent.size() > kRecentFiles) recent.removeLast();
  settings.setValue(kRecentFilesKey, recent);
  fillRecentMenu();
}

void MainWindow::fillRecentMenu() {
  recentMenu_->clear();
  const QStringList recent = QSettings().value(kRecentFilesKey).toStringList();
  for (const QString& path : recent) {
    recentMenu_->addAction(QDir::toNativeSeparators(path), this, [this, path] { openDocument(path); });
  }
  recentMenu_->setEnabled(!recent.isEmpty());
}

void MainWindow::askOpen() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Open"), QFileInfo(documentPath_).path(),
                                                    tr("Documents (*.kwen *.bs *.bmp);;All files (*)"));
  if (!path.isEmpty()) openDocument(path);
}

void MainWindow::exportPage(int page, const QString& path) {
  const bool png = path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive);
  worker_.runOnDocument(view_->documentNumber(), [this, page, path, png](const kwen::Document* document) {
    const QString failure = document == nullptr ? tr("the document is no longer open")
                            : png               ? WritePagePng(*document, page, path)
                                                : WritePageBmp(*document, page, path);
    QMetaObject::invokeMethod(this, [this, path, failure] {
      if (!failure.isEmpty()) showExportFailure(path, failure);
      emit exportFinished(path, failure);
    });
  });
}

void MainWindow::askExportPage() {
  if (!requireDocument()) return;
  const int page = view_->currentPage();
  const QString suggested =
      QFileInfo(documentPath_).dir().filePath(QString::fromStdString(SuggestedExportName(page)));
  const QString path = QFileDialog::getSaveFileName(this, tr("Export Page"), suggested, tr("BMP (*.bmp);;PNG (*.png)"));
  if (!path.isEmpty()) exportPage(page, path);
}

void MainWindow::exportPdf(const QString& pagesText, const QString& path) {
  const int count = view_->pageCount();
  std::vector<int32_t> pages;
  QString error;
  if (!PagesFromText(pagesText, count, pages, error)) {
    showMessage(tr("Cannot export %1: the document %2").arg(path, error));
    emit exportFinished(path, error);
    return;
  }
  progressBar_->setFormat(tr("PDF %p%"));
  progressBar_->show();
  const QString title = QFileInfo(documentPath_).fileName();
  worker_.runOnDocument(view_->documentNumber(), [this, pages, path, title](const kwen::Document* document) {
    const auto progress = [this](int done, int total) {
      QMetaObject::invokeMethod(this, [this, done, total] { progressBar_->setValue(done * 100 / total); });
    };
    QStringList warnings;
    const QString failure = document ? WritePdf(*document, pages, path, title, progress, &warnings)
                                     : tr("the document is no longer open");
    QMetaObject::invokeMethod(this, [this, path, failure, warnings] {
      progressBar_->hide();
      progressBar_->setFormat(tr("Unpacking %p%"));
      if (!failure.isEmpty()) showExportFailure(path, failure);
      if (failure.isEmpty() && !warnings.isEmpty()) showMessage(warnings.join(QStringLiteral("; ")));
      emit exportFinished(path, failure);
    });
  });
}

void MainWindow::askExportPdf() {
  if (!requireDocument()) return;
  bool ok = false;
  const QString pages = QInputDialog::getText(this, tr("Export as PDF"), tr("Pages (for example 3-10; empty for all):"),
                                              QLineEdit::Normal, QString(), &ok);
  if (!ok) return;
  QString suggested = QFileInfo(documentPath_).completeBaseName() + ".pdf";
  const QString path = QFileDialog::getSaveFileName(this, tr("Export as PDF"),
                                                    QFileInfo(documentPath_).dir().filePath(suggested), tr("PDF (*.pdf)"));
  if (!path.isEmpty()) exportPdf(pages.trimmed(), path);
}

void MainWindow::askPrint() {
  if (!requireDocument()) return;
  auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
  QPrintDialog dialog(printer.get(), this);
  dialog.setMinMax(1, view_->pageCount());
  if (dialog.exec() != QDialog::Accepted) return;
  QString range;
  if (printer->printRange() == QPrinter::PageRange) {
    range = QString("%1-%2").arg(printer->fromPage()).arg(printer->toPage());
  } else if (printer->printRange() == QPrinter::CurrentPage) {
    range = QString::number(view_->currentPage() + 1);
  }
  std::vector<int32_t> pages;
  QString error;
  if (!PagesFromText(range, view_->pageCount(), pages, error)) {
    showMessage(tr("Cannot print: the document %1").arg(error));
    return;
  }
  worker_.runOnDocument(view_->documentNumber(), [this, printer, pages](const kwen::Document* document) {
    const QString failure = document ? PaintPages(*document, pages, *printer, nullptr) : tr("the document is no longer open");
    QMetaObject::invokeMethod(this, [this, failure] {
      if (!failure.isEmpty()) showMessage(tr("Printing failed: %1").arg(failure));
    });
  });
}

void MainWindow::askGoToPage() {
  if (!requireDocument()) return;
  bool ok = false;
  const int number = QInputDialog::getInt(this, tr("Go to page"), tr("Page (1 to %1):").arg(view_->pageCount()),
                                          view_->currentPage() + 1, 1, view_->pageCount(), 1, &ok);
  if (!ok) return;
  moveToPage(number - 1);
}

void MainWindow::showInformation(const QString& caption, const QString& text) {
  QMessageBox box(this);
  box.setWindowTitle(caption);
  box.setText(text);
  box.exec();
}

void MainWindow::showKeys() { showInformation(Utf8(text::kControlsCaption), Utf8(kReaderKeys)); }

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  event->acceptProposedAction();
  openDocument(urls.first().toLocalFile());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  saveDocumentSettings();
  QMainWindow::closeEvent(event);
}
