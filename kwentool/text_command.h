// kwentool text: a document's text on standard output; and the line info
// gives about it.
#pragma once

#include <string>

#include "input/page_list.h"
#include "kwen/text.h"
#include "render/text_formats.h"

struct TextArguments {
  std::string document;
  PageList pages;  // every page when not given
  TextFormat format = TextFormat::kPlain;
};

// The arguments after "text": DOC [PAGES] [--format plain|hocr|json]. False,
// with `error`, for a usage error.
bool ParseTextArguments(int argc, const char* const* argv, TextArguments& arguments, std::string& error);

// Prints the pages' text; a document without text is said to be so on
// standard error. Returns the exit status.
int PrintText(const TextArguments& arguments);

// "text: 1520 words on 3 pages, title "A Book", 4 outline entries", or
// "text: none".
std::string TextSummary(const kwen::DocumentText& text);
