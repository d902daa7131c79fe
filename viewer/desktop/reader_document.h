// The reader's side of the document library: opening a document with the
// reader's own wording for what it refuses, the plain words for how a
// restore ended and why a page is missing, and the library's bitmaps as
// Qt images. A document is a shared handle: the worker builds the pages
// shown, a headless export builds its own.
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <exception>

#include "kwen/document.h"
#include "viewer/desktop/reader_layout.h"

// What the library throws: the failure's text.
using DocumentFailure = kwen::Error;

// Opens `path`, a packed document restored into a temporary file as far as
// it is read; throws DocumentFailure, telling how to make a document of a
// page image.
kwen::Document OpenReaderDocument(const QString& path);
// How a stopped restore ended, in plain words ("The document is cut short
// after page 91"); empty while it goes on and when the document is whole.
QString RestoreEnding(const kwen::RestoreProgress& progress);
// Why page `page` (from 0) cannot be read, in plain words, with the
// library's own text beside it.
QString PageFailureText(const kwen::RestoreProgress& progress, int32_t page, const std::exception& failure);
PageExtent ExtentOf(const kwen::PageInfo& page);
// The library's bitmap as an image: 1-bit pages of two colours as 1-bit
// images with their colours, grey as grey, the rest as red, green, blue.
QImage ImageOf(const kwen::Bitmap& bitmap);
// Page `page` at full size; 1-bit pages stay 1-bit. Throws.
QImage FullPageImage(const kwen::Document& document, int32_t page);
// Page `page` scaled by `scale` (at most 1), each pixel the average of the
// page pixels it covers. Throws.
QImage ScaledPageImage(const kwen::Document& document, int32_t page, double scale);
