#include "viewer/desktop/page_output.h"

#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <string>

#include "tools/kwentool/page_list.h"

namespace {

// Pages that give no resolution are printed as scanned pages mostly are.
constexpr int kDefaultDotsPerInch = 300;

QPageSize SheetOf(const PageExtent& extent, int dotsPerInch) {
  return QPageSize(QSizeF(static_cast<double>(extent.width) / dotsPerInch, static_cast<double>(extent.height) / dotsPerInch),
                   QPageSize::Inch, QString(), QPageSize::ExactMatch);
}

}  // namespace

QString PaintPages(ReaderDocument& document, const std::vector<int32_t>& pages, QPagedPaintDevice& device,
                   const std::function<void(int done, int total)>& progress) {
  QPainter painter;
  const int total = static_cast<int>(pages.size());
  for (int done = 0; done < total; ++done) {
    const int32_t page = pages[static_cast<size_t>(done)];
    QImage image;
    PageExtent extent{};
    try {
      extent = ReadPageExtent(document, page);
      BuildPage(document, page);
      image = PageStateImage();
    } catch (const std::exception& failure) {
      return QObject::tr("page %1: %2").arg(page + 1).arg(QString::fromLocal8Bit(failure.what()));
    }
    const int dpi = extent.dotsPerInch > 0 ? extent.dotsPerInch : kDefaultDotsPerInch;
    device.setPageMargins(QMarginsF(0, 0, 0, 0));
    device.setPageSize(SheetOf(extent, dpi));
    if (done == 0) {
      if (!painter.begin(&device)) return QObject::tr("the output cannot be started");
    } else if (!device.newPage()) {
      return QObject::tr("the output cannot take another page");
    }
    // The device's own resolution may differ from the page's: the page
    // fills its sheet.
    const QRectF sheet(QPointF(0, 0), device.pageLayout().fullRectPixels(device.logicalDpiX()).size());
    painter.drawImage(sheet, image);
    if (progress) progress(done + 1, total);
  }
  if (painter.isActive() && !painter.end()) return QObject::tr("the output cannot be finished");
  return {};
}

QString WritePdf(ReaderDocument& document, const std::vector<int32_t>& pages, const QString& outPath,
                 const std::function<void(int done, int total)>& progress) {
  QSaveFile file(outPath);
  if (!file.open(QIODevice::WriteOnly)) return QObject::tr("cannot create %1: %2").arg(outPath, file.errorString());
  QString failure;
  {
    QPdfWriter writer(&file);
    writer.setCreator(QStringLiteral("kwenview"));
    writer.setTitle(QFileInfo(document.path).fileName());
    // Pixels of the sheet at the most common scan resolution: the images go
    // in at their own size whatever this is.
    writer.setResolution(kDefaultDotsPerInch);
    failure = PaintPages(document, pages, writer, progress);
  }
  if (!failure.isEmpty()) {
    file.cancelWriting();
    return failure;
  }
  if (!file.commit()) return QObject::tr("cannot write %1: %2").arg(outPath, file.errorString());
  return {};
}

bool PagesFromText(const QString& text, int32_t pageCount, std::vector<int32_t>& pages, QString& error) {
  PageList list;
  std::string why;
  if (text.isEmpty()) {
    list.all = true;
  } else if (!ParsePageList(text.toStdString(), list, why)) {
    error = QString::fromStdString(why);
    return false;
  }
  std::vector<int32_t> numbers;
  if (!ExpandPageList(list, pageCount, numbers, why)) {
    error = QString::fromStdString(why);
    return false;
  }
  pages.clear();
  for (int32_t number : numbers) pages.push_back(number - 1);
  return true;
}
