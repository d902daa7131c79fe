// The pages of an export built at full size and coded as PDF pictures on
// several threads, each thread one page at a time, the coded pages kept in
// a spool: memory holds a built page per thread, whatever the page count.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kwen/document.h"
#include "render/page_spool.h"
#include "render/pdf_page_image.h"

// A picture whose coded bytes wait in the spool.
struct SpooledImage {
  PdfImageFormat format;
  SpoolSpan span;
};

struct SpooledPage {
  int32_t width = 0;  // pixels
  int32_t height = 0;
  int32_t dotsPerInch = 0;  // as the page says; 0 when it does not
  uint32_t paper = kPdfWhite;
  std::vector<SpooledImage> images;
};

struct EncodingFailure {
  int32_t page = -1;  // from 0, when a page could not be built or coded; -1 when the spool failed
  std::string error;
};

// Codes `pages` (from 0) in `coded`, in their order. `progress` hears on
// the calling thread how many are done. False, with `failure` telling the
// first page in order that failed, or the spool's failure; the other
// threads then stop at their next page.
bool EncodePages(const kwen::Document& document, const std::vector<int32_t>& pages, int threads, PageSpool& spool,
                 const std::function<void(int32_t done, int32_t total)>& progress, std::vector<SpooledPage>& coded,
                 EncodingFailure& failure);
