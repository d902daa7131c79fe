// UTF-8 text, as the document's text stores it: checking and walking it.
#pragma once

#include <cstddef>
#include <string>

// Whether `text` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing past U+10FFFF.
bool IsUtf8(const std::string& text);
// The code point at `at`, which moves past it; U+FFFD, one byte on, where
// the bytes there are not UTF-8.
char32_t NextCodePoint(const std::string& text, size_t& at);
void AppendUtf8(std::string& text, char32_t codePoint);
