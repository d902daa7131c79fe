// Pages of the open document onto paged output (a printer), each page at
// its own size and resolution, built at full size on the calling thread;
// into a searchable PDF file, coded on every processor; and single pages to
// image files.
#pragma once

#include <QPagedPaintDevice>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "kwen/document.h"

// Draws `pages` (from 0) one per sheet; `progress` hears after each page.
// Returns the failure's text, empty on success.
QString PaintPages(const kwen::Document& document, const std::vector<int32_t>& pages, QPagedPaintDevice& device,
                   const std::function<void(int done, int total)>& progress);

// Writes `pages` to the searchable PDF file `outPath`, whole or not at all,
// titled with the document's own title, else `title`. What the file goes
// without (a damaged text layer) is added to `warnings`.
QString WritePdf(const kwen::Document& document, const std::vector<int32_t>& pages, const QString& outPath,
                 const QString& title, const std::function<void(int done, int total)>& progress,
                 QStringList* warnings = nullptr);

// Writes page `page` as the BMP file the viewers export, or as PNG.
// Returns the failure's text, empty on success.
QString WritePageBmp(const kwen::Document& document, int32_t page, const QString& outPath);
QString WritePagePng(const kwen::Document& document, int32_t page, const QString& outPath);

// The pages "3-10" or "2,5-7" name in a document of `pageCount` pages (all
// of them for an empty text), from 0; false with `error` telling why.
bool PagesFromText(const QString& text, int32_t pageCount, std::vector<int32_t>& pages, QString& error);
