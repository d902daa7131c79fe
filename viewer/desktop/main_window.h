// The reader's window: menus, the page view, the thumbnails and outline
// panels, the search bar, the message banner and the status line; it opens
// documents through the worker, reads their text once they are restored,
// and remembers each document's place.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QProgressBar>
#include <memory>
#include <optional>

#include "viewer/desktop/document_worker.h"
#include "viewer/desktop/outline_panel.h"
#include "viewer/desktop/page_history.h"
#include "viewer/desktop/page_view.h"
#include "viewer/desktop/search_bar.h"

class QDockWidget;
class QMenu;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow();
  ~MainWindow() override;

  void openDocument(const QString& path);
  PageView* view() const { return view_; }
  QString documentPath() const { return documentPath_; }
  QString message() const { return banner_->isVisible() ? banner_->text() : QString(); }
  QListWidget* thumbnails() const { return thumbnails_; }
  SearchBar* searchBar() const { return searchBar_; }
  OutlinePanel* outlinePanel() const { return outlinePanel_; }
  bool restoring() const { return restoring_; }
  // How restoring the document ended when it is not whole, as the status line says it.
  QString restoreEnding() const { return restoreLabel_->text(); }
  // Writes page `page` (from 0) as BMP, or as PNG for a name ending in
  // .png; exportFinished tells how it went.
  void exportPage(int page, const QString& path);
  // Writes the pages (all for an empty text) to a PDF file.
  void exportPdf(const QString& pagesText, const QString& path);

 signals:
  void documentOpened(const QString& path);
  void documentFailed(const QString& path, const QString& reason);
  // The document's text has been read, or found damaged.
  void textRead();
  void exportFinished(const QString& path, const QString& failure);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  // A page change by a command: recorded in the history, then shown.
  void moveToPage(int page);
  void walkHistory(bool forward);
  void showMessage(const QString& text);
  void showExportFailure(const QString& path, const QString& failure);
  void onOpened(quint64 number, const QString& path, int pageCount);
  void onOpenFailed(quint64 number, const QString& path, const QString& reason);
  void onPageBuilt(quint64 number, int page, double scale, const QImage& image);
  void onPageFailed(quint64 number, int page, const QString& reason);
  void onProgress(quint64 number, qint64 restored, qint64 total);
  void onRestoreEnded(quint64 number, const QString& ending);
  void onThumbnail(quint64 number, int page, const QImage& image);
  void onCurrentPage(int page);
  // Reads the document's text on the worker, once it is restored.
  void readText(quint64 number);
  // The text read and its search (none without words), or what the library
  // said was wrong with it.
  void onTextRead(quint64 number, const std::shared_ptr<const kwen::DocumentText>& text,
                  const std::optional<kwen::TextSearch>& search, const std::optional<QString>& failure);
  void copySelection();
  void updateZoomLabel();
  void saveDocumentSettings();
  void restoreDocumentSettings();
  void rememberRecent(const QString& path);
  void fillRecentMenu();
  void askOpen();
  void askExportPage();
  void askExportPdf();
  void askPrint();
  void askGoToPage();
  void showKeys();
  void showInformation(const QString& caption, const QString& text);
  bool requireDocument();

  DocumentWorker worker_;
  PageView* view_;
  QLabel* banner_;
  QLabel* pageLabel_;
  QLabel* restoreLabel_;
  QLabel* zoomLabel_;
  QProgressBar* progressBar_;
  QDockWidget* thumbnailDock_;
  QListWidget* thumbnails_;
  SearchBar* searchBar_;
  OutlinePanel* outlinePanel_;
  QMenu* recentMenu_ = nullptr;
  QAction* singlePageAction_ = nullptr;
  QAction* invertAction_ = nullptr;
  PageHistory history_;
  quint64 pendingNumber_ = 0;
  QString documentPath_;
  bool restoring_ = false;
  bool textAsked_ = false;
};
