// A PDF file's outline, each entry with the page its destination names,
// read through qpdf within bounds: a loop among the entries ends where it
// closes, entries past the deepest level kept are left out, and so is
// everything past the largest outline kept. Runs in the drawing child.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kwen/text.h"

// The outline of the PDF file at `path` in document order, pages from 0
// and below `pageCount`, titles on one line. An entry whose destination
// names no such page takes its first child's page; one with no page in all
// its entries is left out with them. False, with `error` worded to follow
// the file's name, for an outline that cannot be read.
bool ReadPdfOutline(const char* path, int32_t pageCount, std::vector<kwen::OutlineItem>& outline, std::string& error);
