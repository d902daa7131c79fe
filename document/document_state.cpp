#include "document/document_state.h"

int32_t iPageCount = 0;
int32_t iCurPage = 0;
int32_t aPageOffset[kPageOffsetEntries];
