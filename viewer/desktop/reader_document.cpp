#include "viewer/desktop/reader_document.h"

#include <QFileInfo>
#include <QObject>
#include <cstring>
#include <string>

#include "render/page_pixels.h"
#include "render/png_writer.h"
#include "render/export_layout.h"
#include "viewer/desktop/area_average.h"
#include "document/bmp_reader.h"
#include "document/page_loader.h"
#include "document/page_state.h"

namespace {

constexpr double kInchesPerMeter = 0.0254;

uint32_t AppendBytes(void* bytes, const void* data, uint32_t size) {
  const uint8_t* from = static_cast<const uint8_t*>(data);
  auto& to = *static_cast<std::vector<uint8_t>*>(bytes);
  to.insert(to.end(), from, from + size);
  return size;
}

}  // namespace

void OpenReaderDocument(ReaderDocument& document, const QString& path) {
  document.path = path;
  document.file.setFileName(path);
  if (!document.file.exists()) throw DocumentFailure("the file does not exist");
  if (!document.file.open(QIODevice::ReadOnly)) {
    throw DocumentFailure("it cannot be read: " + document.file.errorString().toStdString());
  }
  const int64_t size = document.file.size();
  if (size == 0) throw DocumentFailure("the file is empty");
  const uint8_t* bytes = document.file.map(0, size);
  if (bytes == nullptr) throw DocumentFailure("it cannot be read: " + document.file.errorString().toStdString());
  OpenKwenDocument(document, document.host, QFile::encodeName(path).constData(), bytes, size);
  if (document.kind == FileKind::kOther) {
    // Page images, PDF files and the like are made into documents by the
    // builder, not read here.
    throw DocumentFailure(QObject::tr("it is not a kwen document or a BMP picture; make a document of it with: "
                                      "kwentool build -o %1.kwen %2")
                              .arg(QFileInfo(path).completeBaseName(), QFileInfo(path).fileName())
                              .toLocal8Bit()
                              .toStdString());
  }
  document.pageCount = document.table.pageCount;
}

void RestoreWhole(ReaderDocument& document) { RestoreUpTo(document, document.documentBytes); }

QString RestoreEnding(const ReaderDocument& document) {
  if (!RestoreStopped(document)) return {};
  const int32_t pages = PagesRestored(document);
  switch (HowRestoreEnded(document)) {
    case RestoreEnd::kWhole:
      return {};
    case RestoreEnd::kTooLarge:
      return QObject::tr("The document is too large: it restores to more than 2 GiB");
    case RestoreEnd::kCutShort:
      if (pages == 0) return QObject::tr("The document is cut short within its first page");
      return QObject::tr("The document is cut short after page %1").arg(pages);
    case RestoreEnd::kDamaged:
      break;
  }
  if (pages == 0) return QObject::tr("The document is damaged: not even its first page can be restored");
  return QObject::tr("The document is damaged after page %1").arg(pages);
}

QString PageFailureText(const ReaderDocument& document, int32_t page, const std::exception& failure) {
  const QString libraryText = QString::fromLocal8Bit(failure.what());
  if (dynamic_cast<const MemoryFailure*>(&failure) != nullptr) return libraryText;
  const QString ending = RestoreEnding(document);
  if (!ending.isEmpty() && page >= PagesRestored(document)) return QObject::tr("%1 (%2)").arg(ending, libraryText);
  return QObject::tr("the page is damaged (%1)").arg(libraryText);
}

PageExtent ReadPageExtent(ReaderDocument& document, int32_t page) {
  if (document.bitmap) {
    BuildPage(document, 0);
  } else {
    if (SeekDocFile(document.hdoc, document.table.pageOffsets[page], kSeekSet) < 0) {
      throw DocumentFailure("Seek page failed");
    }
    ReadPageHeaders(document.page, document.hdoc, true);
  }
  const PageGeometry geometry = CheckPageGeometry(document.page, !document.bitmap);
  const double dpi = document.page.info.BMIH.biXPelsPerMeter * kInchesPerMeter;
  const int32_t dotsPerInch = dpi >= 1 && dpi < 100000 ? static_cast<int32_t>(dpi + 0.5) : 0;
  return {geometry.width, geometry.height, dotsPerInch};
}

void BuildPage(ReaderDocument& document, int32_t page) {
  document.table.currentPage = page;
  if (document.bitmap) {
    ReadBmpFile(document.page, document.host, QFile::encodeName(document.path).constData());
  } else {
    LoadPage(document.table, document.page, document.host, document.hdoc, document.hofs, page);
  }
}

QImage PageStateImage(const PageState& page) {
  PagePixels pixels;
  std::string error;
  if (!OpenPagePixels(page, pixels, error)) throw DocumentFailure(error);
  if (pixels.bits == 1 && pixels.tableColours >= 2) {
    QImage image(pixels.width, pixels.height, QImage::Format_Mono);
    if (image.isNull()) throw MemoryFailure("not enough memory for the page");
    image.setColorTable({qRgb(pixels.table[0].rgbRed, pixels.table[0].rgbGreen, pixels.table[0].rgbBlue),
                         qRgb(pixels.table[1].rgbRed, pixels.table[1].rgbGreen, pixels.table[1].rgbBlue)});
    const size_t rowBytes = (static_cast<size_t>(pixels.width) + 7) / 8;
    for (int32_t y = 0; y < pixels.height; ++y) {
      const uint8_t* row = pixels.rows + pixels.stride * static_cast<uint64_t>(pixels.height - 1 - y);
      std::memcpy(image.scanLine(y), row, rowBytes);
    }
    return image;
  }
  QImage image(pixels.width, pixels.height, QImage::Format_RGB888);
  if (image.isNull()) throw MemoryFailure("not enough memory for the page");
  for (int32_t y = 0; y < pixels.height; ++y) PageRowRgb(pixels, y, image.scanLine(y));
  return image;
}

namespace {

bool IsGrey(QRgb colour) { return qRed(colour) == qGreen(colour) && qGreen(colour) == qBlue(colour); }

}  // namespace

QImage ScaledPage(const QImage& page, const QSize& size) {
  if (size.width() >= page.width()) return page.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  const QVector<QRgb> colours = page.colorTable();
  if (page.format() == QImage::Format_Mono && colours.size() == 2 && IsGrey(colours[0]) && IsGrey(colours[1]) &&
      size.height() <= page.height()) {
    QImage grey(size, QImage::Format_Grayscale8);
    if (grey.isNull()) return grey;
    const BitRows rows{page.constBits(), page.bytesPerLine(), page.width(), page.height(),
                       static_cast<uint8_t>(qRed(colours[0])), static_cast<uint8_t>(qRed(colours[1]))};
    AverageBitsToGrey(rows, grey.bits(), grey.bytesPerLine(), size.width(), size.height());
    return grey;
  }
  // Qt scales 1-bit images without smoothing: those go through grey.
  const QImage from = page.depth() == 1 ? page.convertToFormat(QImage::Format_Grayscale8) : page;
  return from.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

std::vector<uint8_t> PageStateBmp(const PageState& page) {
  std::vector<uint8_t> bytes;
  WriteExportParts(page, AppendBytes, &bytes);
  return bytes;
}

std::vector<uint8_t> PageStatePng(const PageState& page) {
  PagePixels pixels;
  PageTones tones;
  std::string error;
  std::vector<uint8_t> bytes;
  if (!OpenPagePixels(page, pixels, error) || !ClassifyPage(pixels, tones, error) || !EncodePng(pixels, tones, bytes, error)) {
    throw DocumentFailure(error);
  }
  return bytes;
}
