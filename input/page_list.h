// The pages a render names: a number, a list of numbers and ranges such as
// "2,5-7", or "all".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PageRange {
  int32_t first;  // from 1
  int32_t last;   // at least first
};

struct PageList {
  bool all = false;               // every page of the document, in order
  std::vector<PageRange> ranges;  // in the order given; never overlapping
};

// False, with `error` telling why, for anything but numbers from 1 and
// ranges from low to high separated by commas, or "all" alone. A page named
// twice is refused, since it would be written twice to one name.
bool ParsePageList(const std::string& text, PageList& list, std::string& error);

// Whether the list names exactly one page (without knowing the document).
bool IsSinglePage(const PageList& list);

// The list's page numbers for a document of `pageCount` pages. False, with
// `error` naming the first page beyond the document and the count, worded
// to follow the document's name ("has no page 9 (it has 5)").
bool ExpandPageList(const PageList& list, int32_t pageCount, std::vector<int32_t>& pages, std::string& error);
