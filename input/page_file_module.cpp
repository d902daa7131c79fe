#include "input/page_file_readers.h"
#include "input/pdf_reader.h"
#include "input/tiff_reader.h"

extern "C" __attribute__((visibility("default"))) const PageFileReaders* KwenPageFileReaders() {
  static const PageFileReaders readers{kPageFileReadersLayout, OpenTiff, CloseTiff, TiffPageCount, ReadTiffPage,
                                       OpenPdf, ClosePdf, PdfPageCount, ReadPdfPage, ReadPdfTitleAndOutline};
  return &readers;
}
