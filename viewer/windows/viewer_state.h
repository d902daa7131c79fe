// The viewer's one document and one page, under the names its code has
// always used: the document library keeps no state of its own, so the
// viewer keeps it here and hands it to the library on each call.
#pragma once

#include <cstdint>

#include "document/document_state.h"
#include "document/page_state.h"

extern DocumentState gDocument;
extern PageState gPage;

extern int32_t& iPageCount;
extern int32_t& iCurPage;
extern int32_t (&aPageOffset)[kPageOffsetEntries];
extern BitmapFileHeader& sBitMapFileHeader;
extern BitmapInfo& sBitMapInfoHeader;
extern int32_t& nColors;
extern uint8_t*& pDibBits;
extern int32_t& iDibBytes;
extern bool& bPageReady;
extern int32_t& iScrollStep;

// The window's side of the document host.
void FitWindowToPage();
void InvalidatePage();
void CloseDocument();
uint8_t* ReplacePageBlock(uint32_t size);
// Reports a failure in a "WARNING" box and ends the viewer with status 1,
// after ending the unpacking.
[[noreturn]] void FailDocument(const char* text);

// The document library's calls on the viewer's state; a failure goes to
// FailDocument. The unpacked document at `path` is read while
// `writerRunning` says its writer is still at work.
void ViewerOpenUnpacked(const char* path, bool (*writerRunning)());
void ViewerLoadPage(int32_t page);
void ViewerReadBmpFile(const char* path);
// Closes the open document's file, so that an unpacked file can go.
void ViewerCloseDocument();
