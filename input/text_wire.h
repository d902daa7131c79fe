// The text of a PDF file as its drawing child hands it over: a drawn page's
// words, and the file's title and outline. The child keeps within the
// bounds below; the reader checks everything again, since a child drawing a
// hostile file may have been led astray.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document/document_layout.h"
#include "kwen/text.h"

// A word as the PDF gives it, placed over the drawn page.
struct PlacedWord {
  std::string text;  // UTF-8 as the file gives it, unchecked
  double left = 0;   // page pixels, rows from the top
  double top = 0;
  double right = 0;
  double bottom = 0;
  int32_t turns = 0;        // the way the text runs: quarter turns clockwise from rightwards
  bool spaceAfter = false;  // a space parts it from the next word
};

// A dense page of small print holds some thousands of words of a few bytes
// (the words and outline entries a document may hold at all are in
// document_layout.h).
constexpr size_t kLongestWordBytes = 4096;
constexpr size_t kLargestPageTextBytes = size_t{4} << 20;

constexpr size_t kLongestTitleBytes = 1000;

// The words' bytes; false, with `error` worded to follow "page N", for a
// page with more text than the bounds.
bool EncodeWords(const std::vector<PlacedWord>& words, std::string& bytes, std::string& error);
// What the child sends instead for a page whose words it leaves out (its
// pixels are kept): why, as EncodeWords words it.
std::string DroppedWordsBytes(const std::string& why);
// False for bytes that are not words within the bounds. `dropped` is why
// the child left the page's words out, empty when it sent them.
bool DecodeWords(const std::string& bytes, std::vector<PlacedWord>& words, std::string& dropped);

// Title and outline within the bounds (the child cuts them to fit).
std::string EncodeTitleAndOutline(const std::string& title, const std::vector<kwen::OutlineItem>& outline);
// False for bytes that are not a title and an outline within the bounds,
// its entries nested one level at a time, on pages below `pageCount`.
bool DecodeTitleAndOutline(const std::string& bytes, int32_t pageCount, std::string& title,
                           std::vector<kwen::OutlineItem>& outline);
