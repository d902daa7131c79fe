// Page navigation and the ring of visited pages.
#pragma once

#include <cstdint>

constexpr int kHistorySlots = 100;

extern bool bPackedDoc;  // a packed document is open
extern bool bBmpDoc;     // a plain BMP file is open
extern int32_t aPageHistory[kHistorySlots];
extern int32_t iHistoryPos;

inline bool DocumentOpen() { return bPackedDoc || bBmpDoc; }

void PushHistory(int32_t page);
// The common tail of a page change: the top of page iCurPage, loaded and
// repainted.
void ShowPage();

// These act on packed documents only.
void NextPage();
void PrevPage();
void FirstPage();
void LastPage();
void GoToPage(int32_t number);  // from 1; numbers outside the document do nothing
void HistoryBack();
void HistoryForward();
