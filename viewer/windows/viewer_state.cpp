#include "viewer/windows/viewer_state.h"

DocumentState gDocument;
PageState gPage;

int32_t& iPageCount = gDocument.pageCount;
int32_t& iCurPage = gDocument.currentPage;
int32_t (&aPageOffset)[kPageOffsetEntries] = gDocument.pageOffsets;
BitmapFileHeader& sBitMapFileHeader = gPage.fileHeader;
BitmapInfo& sBitMapInfoHeader = gPage.info;
int32_t& nColors = gPage.colorCount;
uint8_t*& pDibBits = gPage.bits;
int32_t& iDibBytes = gPage.bitsBytes;
bool& bPageReady = gPage.ready;
int32_t& iScrollStep = gPage.scrollStep;
