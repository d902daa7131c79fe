#include "viewer/desktop/page_output.h"

#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <string>

#include "input/page_list.h"
#include "render/page_pixels.h"
#include "document/document_state.h"
#include "document/page_loader.h"
#include "document/page_state.h"
#include "viewer/desktop/output_device.h"

namespace {

// Pages that give no resolution are printed as scanned pages mostly are.
constexpr int kDefaultDotsPerInch = 300;

QPageSize SheetOf(const PageExtent& extent, int dotsPerInch) {
  return QPageSize(QSizeF(static_cast<double>(extent.width) / dotsPerInch, static_cast<double>(extent.height) / dotsPerInch),
                   QPageSize::Inch, QString(), QPageSize::ExactMatch);
}

// Whether the loader's white, what a page starts as, shows as white.
bool WhiteShowsWhite(const PageState& page) {
  constexpr uint32_t kTableBits = 8, kTrueColourBits = 24, kWhite = 0xFFFFFF;
  const uint32_t bits = page.info.BMIH.biBitCount;
  if (bits == kTrueColourBits) return (static_cast<uint32_t>(page.whiteIndex) & kWhite) == kWhite;
  if (bits > kTableBits || page.whiteIndex >= page.colorCount) return false;
  const RgbQuad& entry = page.info.RGBTable[page.whiteIndex];
  return entry.rgbRed == 0xFF && entry.rgbGreen == 0xFF && entry.rgbBlue == 0xFF;
}

// The colour of a page of one colour, found without a picture of it: a page
// whose records leave it white is not even built. Otherwise the page is
// built, and an invalid colour returned when it has more than one.
QColor UniformColour(ReaderDocument& document, int32_t page) {
  if (!document.bitmap) {
    document.table.currentPage = page;
    ScanPage(document.table, document.page, document.hdoc, document.hofs, page);
    if (!document.page.counts.inked && WhiteShowsWhite(document.page)) return QColor(Qt::white);
  }
  BuildPage(document, page);
  PagePixels pixels;
  std::string error;
  uint8_t rgb[3];
  if (!OpenPagePixels(document.page, pixels, error) || !UniformPageColour(pixels, rgb)) return {};
  return QColor(rgb[0], rgb[1], rgb[2]);
}

}  // namespace

QString PaintPages(ReaderDocument& document, const std::vector<int32_t>& pages, QPagedPaintDevice& device,
                   const std::function<void(int done, int total)>& progress) {
  QPainter painter;
  const int total = static_cast<int>(pages.size());
  for (int done = 0; done < total; ++done) {
    const int32_t page = pages[static_cast<size_t>(done)];
    QImage image;
    QColor fill;  // a page of one colour is one fill, not a picture
    PageExtent extent{};
    try {
      extent = ReadPageExtent(document, page);
      fill = UniformColour(document, page);
      if (!fill.isValid()) image = PageStateImage(document.page);
    } catch (const std::exception& failure) {
      return QObject::tr("page %1: %2").arg(page + 1).arg(PageFailureText(document, page, failure));
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

QString WritePdf(ReaderDocument& document, const std::vector<int32_t>& pages, const QString& outPath,
                 const std::function<void(int done, int total)>& progress) {
  OutputDevice file;
  if (!file.openFile(outPath)) return file.failure();
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
  // A failed write shows here, when the file would be put in place.
  if (failure.isEmpty() && !file.commit()) failure = file.failure();
  return failure;
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
