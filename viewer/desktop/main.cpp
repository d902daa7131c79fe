// kwenview: the reader of kwen documents for the Linux desktop, and a
// headless converter of documents to PDF.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <optional>

#include "viewer/desktop/main_window.h"
#include "viewer/desktop/page_output.h"
#include "viewer/desktop/reader_document.h"

namespace {

constexpr const char* kUsage =
    "Usage: kwenview [DOCUMENT]\n"
    "       kwenview --export-pdf DOCUMENT OUT.pdf [--pages LIST]\n"
    "\n"
    "Shows a kwen document (.kwen), an unpacked document or a BMP file.\n"
    "\n"
    "  --export-pdf DOCUMENT OUT.pdf  write the pages to a PDF file, without a window\n"
    "  --pages LIST                   the pages to write, e.g. 3-10 or 1,4-6 (all by default)\n"
    "  --help                         this text\n"
    "  --version                      the program's version\n";

bool HasDisplay() { return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"); }

void Complain(const QString& text) { std::fprintf(stderr, "kwenview: %s\n", text.toLocal8Bit().constData()); }

int ExportPdf(const QString& docPath, const QString& outPath, const QString& pagesText) {
  std::optional<kwen::Document> document;
  try {
    document.emplace(OpenReaderDocument(docPath));
  } catch (const std::exception& failure) {
    Complain(QString("cannot open %1: %2").arg(docPath, QString::fromUtf8(failure.what())));
    return 1;
  }
  std::vector<int32_t> pages;
  QString error;
  if (!PagesFromText(pagesText, document->PageCount(), pages, error)) {
    Complain(QString("%1 %2").arg(docPath, error));
    return 1;
  }
  if (QFileInfo(outPath).absoluteFilePath() == QFileInfo(docPath).absoluteFilePath()) {
    Complain(QString("the PDF would replace the document %1").arg(docPath));
    return 1;
  }
  bool lineOpen = false;  // a progress line waits for its end
  const auto progress = [&lineOpen](int done, int total) {
    if (total > 1) std::fprintf(stderr, "\rkwenview: page %d of %d", done, total);
    lineOpen = total > 1 && done < total;
    if (total > 1 && done == total) std::fprintf(stderr, "\n");
  };
  QStringList warnings;
  const QString failure = WritePdf(*document, pages, outPath, QFileInfo(docPath).fileName(), progress, &warnings);
  if (lineOpen) std::fprintf(stderr, "\n");
  for (const QString& warning : warnings) Complain(QString("%1: %2").arg(docPath, warning));
  if (!failure.isEmpty()) {
    Complain(QString("%1: %2").arg(docPath, failure));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  if (args.contains("--help") || args.contains("-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args.contains("--version")) {
    std::printf("kwenview %s\n", KWENVIEW_VERSION);
    return 0;
  }
  if (!args.isEmpty() && args.first() == "--export-pdf") {
    QString pagesText;
    const int pagesAt = static_cast<int>(args.indexOf("--pages"));
    if (pagesAt >= 0) {
      if (pagesAt + 1 >= args.size()) {
        std::fputs(kUsage, stderr);
        return 2;
      }
      pagesText = args[pagesAt + 1];
      args.remove(pagesAt, 2);
    }
    if (args.size() != 3) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    // Converting needs no screen: Qt's offscreen platform serves where none is.
    if (!HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    return ExportPdf(args[1], args[2], pagesText);
  }
  if (args.size() > 1 || (!args.isEmpty() && args.first().startsWith("--"))) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setOrganizationName("kwenkit");
  QApplication::setApplicationName("kwenview");
  QApplication::setApplicationVersion(KWENVIEW_VERSION);
  QApplication::setWindowIcon(QIcon(":/kwenview.svg"));
  MainWindow window;
  window.show();
  if (!args.isEmpty()) window.openDocument(args.first());
  return app.exec();
}
