// The title and outline a build takes from its PDF inputs, on the
// document's pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "input/drawing_limits.h"
#include "input/input_pages.h"
#include "kwen/text.h"

// A file's outline (entries on the file's pages, from 0) on the document's
// pages: `taken` are the file's pages the document holds (from 1, in
// order), from document page `firstIndex` on. An entry goes to the first
// document page made of its page; an entry whose page is not taken is left
// out, and the entries under it move up to its place.
std::vector<kwen::OutlineItem> OutlineOnDocument(const std::vector<kwen::OutlineItem>& fileOutline,
                                                 const std::vector<int32_t>& taken, int32_t firstIndex);

// The first title a PDF input gives (none when `title` is wanted as it
// is), and the outlines of every PDF input in input order, as many entries
// as a document holds (those past it left out with a warning; levels keep
// within the bound, as each file's do). A file whose outline cannot be
// read is warned of on standard error and adds none.
void TakeSourceOutlines(const std::vector<InputFile>& inputs, const DrawingLimits& limits, bool keepTitle,
                        kwen::DocumentText& text);
