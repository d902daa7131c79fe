#include "viewer/desktop/page_output.h"

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <string>

#include "engine/output_file.h"
#include "input/page_list.h"
#include "render/page_pixels.h"
#include "render/pdf_export.h"
#include "render/png_writer.h"
#include "viewer/desktop/reader_document.h"

namespace {

// Pages that give no resolution are printed as scanned pages mostly are.
constexpr int kDefaultDotsPerInch = 300;

QPageSize SheetOf(const PageExtent& extent, int dotsPerInch) {
  return QPageSize(QSizeF(static_cast<double>(extent.width) / dotsPerInch, static_cast<double>(extent.height) / dotsPerInch),
                   QPageSize::Inch, QString(), QPageSize::ExactMatch);
}

// The colour of an image of one colour; invalid when it has more.
QColor OneColour(const QImage& image) {
  const int rowBytes = (image.width() * image.depth() + 7) / 8;
  const int pixelBytes = std::max(1, image.depth() / 8);
  const uchar* first = image.constScanLine(0);
  // A 1-bit row is one colour when its bytes are all 0 or all 1 bits (the
  // bits past the row's end count for nothing).
  const int tailBits = image.depth() == 1 ? image.width() % 8 : 0;
  const int wholeBytes = tailBits == 0 ? rowBytes : rowBytes - 1;
  if (image.depth() == 1 && first[0] != 0 && first[0] != 0xFF) return {};
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    for (int x = 0; x < wholeBytes; ++x) {
      if (row[x] != first[x % pixelBytes]) return {};
    }
    if (tailBits != 0) {
      const uchar mask = static_cast<uchar>(0xFF << (8 - tailBits));
      if ((row[wholeBytes] & mask) != (first[0] & mask)) return {};
    }
  }
  return image.pixelColor(0, 0);
}

}  // namespace

QString PaintPages(const kwen::Document& document, const std::vector<int32_t>& pages, QPagedPaintDevice& device,
                   const std::function<void(int done, int total)>& progress) {
  QPainter painter;
  const int total = static_cast<int>(pages.size());
  for (int done = 0; done < total; ++done) {
    const int32_t page = pages[static_cast<size_t>(done)];
    QImage image;
    QColor fill;  // a page of one colour is one fill, not a picture
    PageExtent extent{};
    try {
      const kwen::PageInfo info = document.Page(page);
      extent = ExtentOf(info);
      // A blank page is not even built.
      if (info.blank) {
        fill = Qt::white;
      } else {
        image = FullPageImage(document, page);
        fill = OneColour(image);
      }
    } catch (const std::exception& failure) {
      return QObject::tr("page %1: %2").arg(page + 1).arg(PageFailureText(document.Progress(), page, failure));
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
    if (fill.isValid()) {
      painter.fillRect(sheet, fill);
    } else {
      painter.drawImage(sheet, image);
    }
    if (progress) progress(done + 1, total);
  }
  if (painter.isActive() && !painter.end()) return QObject::tr("the output cannot be finished");
  return {};
}

QString WritePdf(const kwen::Document& document, const std::vector<int32_t>& pages, const QString& outPath,
                 const QString& title, const std::function<void(int done, int total)>& progress,
                 QStringList* warnings) {
  PdfExportOptions options;
  options.title = title.toStdString();
  options.creator = "kwenview";
  options.progress = progress;
  const PdfExportResult result = ExportPdf(document, pages, QFile::encodeName(outPath).toStdString(), options);
  if (warnings != nullptr) {
    for (const std::string& warning : result.warnings) warnings->append(QString::fromStdString(warning));
  }
  if (result.failedPage >= 0) {
    const kwen::Error failure(result.error);
    return QObject::tr("page %1: %2")
        .arg(result.failedPage + 1)
        .arg(PageFailureText(document.Progress(), result.failedPage, failure));
  }
  return QString::fromStdString(result.error);
}

QString WritePageBmp(const kwen::Document& document, int32_t page, const QString& outPath) {
  try {
    const std::vector<uint8_t> bytes = document.PageAsBmp(page);
    std::string error;
    if (!WriteWholeFile(QFile::encodeName(outPath).toStdString(), bytes, error)) return QString::fromStdString(error);
  } catch (const std::exception& failure) {
    return PageFailureText(document.Progress(), page, failure);
  }
  return {};
}

// The same bytes as `kwentool render` writes: the renderer's encoding of
// the page built whole.
QString WritePagePng(const kwen::Document& document, int32_t page, const QString& outPath) {
  std::vector<uint8_t> bytes;
  std::string error;
  try {
    const kwen::Bitmap built = document.BuildPage(page);
    std::vector<RgbQuad> table;
    PagePixels pixels;
    PageTones tones;
    if (!OpenBitmapPixels(built, table, pixels, error) || !ClassifyPage(pixels, tones, error) ||
        !EncodePng(pixels, tones, bytes, error)) {
      return QString::fromStdString(error);
    }
  } catch (const std::exception& failure) {
    return PageFailureText(document.Progress(), page, failure);
  }
  if (!WriteWholeFile(QFile::encodeName(outPath).toStdString(), bytes, error)) return QString::fromStdString(error);
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
