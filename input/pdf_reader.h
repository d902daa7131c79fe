// PDF pages through poppler, each rendered at a given resolution. An open
// file serves one thread at a time; files open on several threads at once,
// the same file or others, are read apart from one another.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/drawing_limits.h"
#include "input/page_image.h"
#include "kwen/text.h"

struct PdfFile;

// Null, with `error` telling why, when the file is not a whole, readable,
// unlocked PDF document.
PdfFile* OpenPdf(const char* path, std::string& error);
void ClosePdf(PdfFile* file);

int32_t PdfPageCount(PdfFile* file);

// Page `page` (from 0) rendered at `dotsPerInch` on white, text and shapes
// without antialiasing, so that a page of black text on white gives black
// and white only, every glyph the same pixels each time; images keep their
// tones. A page that would be larger than `largestPixels` is refused before
// it is rendered, and so is one the library reports errors for while drawing
// it. It is drawn in a child process within `limits`: a page past them is
// refused too. Its words come with it (page_lines.h), boxes over the glyphs
// drawn; a page with more text than a page keeps is refused.
bool ReadPdfPage(PdfFile* file, int32_t page, int32_t dotsPerInch, int64_t largestPixels, const DrawingLimits& limits,
                 PageImage& image, std::string& error);
// The file's title (from its document information) and outline (entries on
// pages from 0), read in the drawing child within `limits` (pdf_outline.h
// for the outline's bounds). Both empty when the file has none. False, with
// `error` worded to follow the file's name, when they cannot be read.
bool ReadPdfTitleAndOutline(PdfFile* file, const DrawingLimits& limits, std::string& title,
                            std::vector<kwen::OutlineItem>& outline, std::string& error);
