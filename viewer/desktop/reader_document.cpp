#include "viewer/desktop/reader_document.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <cstring>
#include <string>

namespace {

// The library names the file at the start of what it refuses; the reader
// names it already, and says "it".
constexpr const char* kNotADocument = "is not a kwen document or a BMP picture";

// A failure for want of memory: its text is plain already.
struct MemoryFailure : DocumentFailure {
  using DocumentFailure::DocumentFailure;
};

QImage NewImage(int32_t width, int32_t height, QImage::Format format) {
  QImage image(width, height, format);
  if (image.isNull()) throw MemoryFailure("Not enough memory for the page");
  return image;
}

QString ReaderWording(const QString& path, const QString& libraryText) {
  // The library names the file as it was given, in the bytes of its name.
  const QString named = QString::fromUtf8(QFile::encodeName(path)) + " ";
  if (!libraryText.startsWith(named)) return libraryText;
  const QString rest = libraryText.mid(named.size());
  if (rest == kNotADocument) {
    // Page images, PDF files and the like are made into documents by the
    // builder, not read here.
    return QObject::tr("it %1; make a document of it with: kwentool build -o %2.kwen %3")
        .arg(rest, QFileInfo(path).completeBaseName(), QFileInfo(path).fileName());
  }
  return "it " + rest;
}

}  // namespace

kwen::Document OpenReaderDocument(const QString& path) {
  const QFileInfo file(path);
  if (!file.exists()) throw DocumentFailure("the file does not exist");
  if (file.isFile() && file.size() == 0) throw DocumentFailure("the file is empty");
  kwen::OpenOptions options;
  options.restoreToFile = true;
  try {
    return kwen::Document::Open(QFile::encodeName(path).toStdString(), options);
  } catch (const kwen::Error& failure) {
    throw DocumentFailure(ReaderWording(path, QString::fromUtf8(failure.what())).toStdString());
  }
}

QString RestoreEnding(const kwen::RestoreProgress& progress) {
  const int32_t pages = progress.pagesReady;
  switch (progress.state) {
    case kwen::RestoreState::kGoing:
    case kwen::RestoreState::kWhole:
      return {};
    case kwen::RestoreState::kTooLarge:
      return QObject::tr("The document is too large: it restores to more than 2 GiB");
    case kwen::RestoreState::kCutShort:
      if (pages == 0) return QObject::tr("The document is cut short within its first page");
      return QObject::tr("The document is cut short after page %1").arg(pages);
    case kwen::RestoreState::kDamaged:
      break;
  }
  if (pages == 0) return QObject::tr("The document is damaged: not even its first page can be restored");
  return QObject::tr("The document is damaged after page %1").arg(pages);
}

QString PageFailureText(const kwen::RestoreProgress& progress, int32_t page, const std::exception& failure) {
  const QString libraryText = QString::fromUtf8(failure.what());
  if (dynamic_cast<const MemoryFailure*>(&failure) != nullptr) return libraryText;
  const QString ending = RestoreEnding(progress);
  if (!ending.isEmpty() && page >= progress.pagesReady) return QObject::tr("%1 (%2)").arg(ending, libraryText);
  return QObject::tr("the page is damaged (%1)").arg(libraryText);
}

PageExtent ExtentOf(const kwen::PageInfo& page) { return {page.width, page.height, page.dotsPerInch}; }

QImage ImageOf(const kwen::Bitmap& bitmap) {
  QImage image;
  size_t rowBytes = 0;
  switch (bitmap.format) {
    case kwen::PixelFormat::kPage:
      if (bitmap.bitsPerPixel != 1 || bitmap.palette.size() < 2) {
        throw DocumentFailure("A page of " + std::to_string(bitmap.bitsPerPixel) + " bits per pixel cannot be shown");
      }
      image = NewImage(bitmap.width, bitmap.height, QImage::Format_Mono);
      image.setColorTable({QRgb(0xFF000000 | bitmap.palette[0]), QRgb(0xFF000000 | bitmap.palette[1])});
      rowBytes = (static_cast<size_t>(bitmap.width) + 7) / 8;
      break;
    case kwen::PixelFormat::kGrey:
      image = NewImage(bitmap.width, bitmap.height, QImage::Format_Grayscale8);
      rowBytes = static_cast<size_t>(bitmap.width);
      break;
    case kwen::PixelFormat::kRgb:
      image = NewImage(bitmap.width, bitmap.height, QImage::Format_RGB888);
      rowBytes = static_cast<size_t>(bitmap.width) * 3;
      break;
  }
  for (int32_t y = 0; y < bitmap.height; ++y) std::memcpy(image.scanLine(y), bitmap.Row(y), rowBytes);
  return image;
}

QImage FullPageImage(const kwen::Document& document, int32_t page) {
  const kwen::PageInfo info = document.Page(page);
  // 1-bit pages stay 1-bit: an eighth of the memory, and exact colours.
  if (info.bitsPerPixel == 1 && info.colours >= 2) return ImageOf(document.BuildPage(page));
  return ScaledPageImage(document, page, 1.0);
}

QImage ScaledPageImage(const kwen::Document& document, int32_t page, double scale) {
  kwen::Scaling scaling;
  scaling.scale = scale;
  return ImageOf(document.BuildScaled(page, scaling));
}
