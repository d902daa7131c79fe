// How a path names a packed document: the four characters after its last
// dot (searched back to its first character) are "kwen" in any case.
#pragma once

bool IsPackedDocumentName(const char* path);
