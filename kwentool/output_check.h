// A refusal made before any output is opened.
#pragma once

#include <string>

// True, with a message on standard error, when the output is the document
// itself under any name or through a link: writing it would replace it.
bool IsOutputTheDocument(const char* docPath, const std::string& outPath);
