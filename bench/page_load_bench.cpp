// Loads one page of an unpacked document through file handles, as the
// Windows viewer reads the file the utility restores, and prints the
// bitmap's size. bench/render-bench.sh builds it against the document
// library of each revision it compares.
//
//   page_load_bench DOCUMENT.bs PAGE
#include <cstdio>
#include <cstdlib>

#include "document/doc_file.h"
#include "document/document_error.h"
#include "document/document_format.h"
#include "document/document_state.h"
#include "document/page_loader.h"
#include "document/page_state.h"

int main(int argc, char** argv) {
  DocFile hdoc, hofs;
  if (argc != 3 || !OpenDocFile(hdoc, argv[1]) || !OpenDocFile(hofs, argv[1])) {
    std::fprintf(stderr, "usage: page_load_bench DOCUMENT.bs PAGE\n");
    return 2;
  }
  DocumentState document;
  PageState page;
  HeapPageHost host;
  try {
    ReadDocumentTable(document, host, hdoc);
    document.currentPage = std::atoi(argv[2]) - 1;
    LoadPage(document, page, host, hdoc, hofs, document.currentPage);
  } catch (const DocumentError& failure) {
    std::fprintf(stderr, "page_load_bench: %s\n", failure.what());
    return 1;
  }
  std::printf("%d bytes\n", page.bitsBytes);
  return 0;
}
