// Pages of the open document onto paged output (a PDF file or a printer),
// each page at its own size and resolution, and single pages to image
// files. Each builds its pages at full size on the calling thread.
#pragma once

#include <QPagedPaintDevice>
#include <QString>
#include <functional>
#include <vector>

#include "kwen/document.h"

// Draws `pages` (from 0) one per sheet; `progress` hears after each page.
// Returns the failure's text, empty on success.
QString PaintPages(const kwen::Document& document, const std::vector<int32_t>& pages, QPagedPaintDevice& device,
                   const std::function<void(int done, int total)>& progress);

// Writes `pages` to the PDF file `outPath` (whose title is `title`),
// whole or not at all.
QString WritePdf(const kwen::Document& document, const std::vector<int32_t>& pages, const QString& outPath,
                 const QString& title, const std::function<void(int done, int total)>& progress);

// Writes page `page` as the BMP file the viewers export, or as PNG.
// Returns the failure's text, empty on success.
QString WritePageBmp(const kwen::Document& document, int32_t page, const QString& outPath);
QString WritePagePng(const kwen::Document& document, int32_t page, const QString& outPath);

// The pages "3-10" or "2,5-7" name in a document of `pageCount` pages (all
// of them for an empty text), from 0; false with `error` telling why.
bool PagesFromText(const QString& text, int32_t pageCount, std::vector<int32_t>& pages, QString& error);
