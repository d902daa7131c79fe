// Pages of the open document onto paged output (a PDF file or a printer),
// each page at its own size and resolution. Runs on the thread that holds
// the document library (see reader_document.h).
#pragma once

#include <QPagedPaintDevice>
#include <QString>
#include <functional>
#include <vector>

#include "viewer/desktop/reader_document.h"

// Draws `pages` (from 0) one per sheet; `progress` hears after each page.
// Returns the failure's text, empty on success.
QString PaintPages(ReaderDocument& document, const std::vector<int32_t>& pages, QPagedPaintDevice& device,
                   const std::function<void(int done, int total)>& progress);

// Writes `pages` to the PDF file `outPath`, whole or not at all.
QString WritePdf(ReaderDocument& document, const std::vector<int32_t>& pages, const QString& outPath,
                 const std::function<void(int done, int total)>& progress);

// The pages "3-10" or "2,5-7" name in a document of `pageCount` pages (all
// of them for an empty text), from 0; false with `error` telling why.
bool PagesFromText(const QString& text, int32_t pageCount, std::vector<int32_t>& pages, QString& error);
