// Text from PDF files made fit to keep: well-formed UTF-8, words without
// spaces or controls, titles on one line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// `text` as well-formed UTF-8, each byte that starts no well-formed
// sequence read as U+FFFD.
std::string RepairUtf8(const std::string& text);

// The start of `text` of at most `longest` bytes that ends between code
// points of UTF-8.
std::string CutUtf8(const std::string& text, size_t longest);

// The parts of a word between spaces and controls, each with the code
// points of the word it takes: [first, end).
struct WordPiece {
  std::string text;
  size_t first = 0;
  size_t end = 0;
};
// The pieces of well-formed UTF-8 `word`, and in `codePoints` how many it
// holds in all.
std::vector<WordPiece> WordPieces(const std::string& word, size_t& codePoints);

// A title on one line: repaired, runs of spaces and controls as one space,
// trimmed and cut between code points to at most `longest` bytes.
std::string CleanTitle(const std::string& text, size_t longest);
