// Loads one page of an unpacked document through file handles, as the
// Windows viewer reads the file the utility restores, and prints the
// bitmap's size. bench/render-bench.sh builds it against the document
// library of each revision it compares.
//
//   page_load_bench DOCUMENT.bs PAGE
#include <cstdio>
#include <cstdlib>

#include "document/doc_file.h"
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
  ReadDocumentTable(hdoc);
  iCurPage = std::atoi(argv[2]) - 1;
  LoadPage(hdoc, hofs, iCurPage);
  std::printf("%d bytes\n", iDibBytes);
  return 0;
}
