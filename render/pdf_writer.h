// The PDF file of coded pages, through the PDF library: each page its
// picture at its own size, its words as invisible text over it, then the
// title and outline; compact (object streams, a compressed cross-reference
// stream) and the same bytes for the same pages.
#pragma once

#include <qpdf/Pipeline.hh>

#include <cstdint>
#include <string>
#include <vector>

#include "kwen/text.h"
#include "render/page_spool.h"
#include "render/pdf_page_encoding.h"

// Pages that do not give their resolution are taken as scans mostly are.
constexpr int32_t kDefaultDotsPerInch = 300;

struct PdfContents {
  const std::vector<SpooledPage>& pages;    // coded, in the PDF's order
  const std::vector<int32_t>& pageNumbers;  // the document page (from 0) of each
  const PageSpool& spool;
  const kwen::DocumentText& text;  // the document's, by document page
  std::string title;               // none when empty
  std::string creator;
};

// Writes the file to `out`. Throws std::exception (the library's, or a
// failed write's from `out`) when it cannot.
void WritePdfFile(const PdfContents& contents, Pipeline& out);
