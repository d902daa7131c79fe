// kwentool render: pages of a document as image files.
#pragma once

#include "render/image_format.h"
#include "render/output_pattern.h"
#include "input/page_list.h"

// Opens the document once and writes each listed page, in order, to the
// name the pattern gives it, each file whole. Pages beyond the document and
// an output that is the document itself are refused before anything is
// written. Returns the exit status.
int RenderPages(const char* docPath, const PageList& list, const OutputPattern& pattern, ImageFormat format);
