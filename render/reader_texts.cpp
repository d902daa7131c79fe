#include "render/reader_texts.h"

#include <cstdio>

std::string PageNumberText(int32_t page, int32_t pageCount) {
  return "Current page is " + std::to_string(page + 1) + " of " + std::to_string(pageCount);
}

std::string SuggestedExportName(int32_t page) {
  char name[32];
  std::snprintf(name, sizeof name, "p%04ld.bmp", static_cast<long>(page) + 1);
  return name;
}
