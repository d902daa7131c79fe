// The texts both readers, Windows and desktop, show alike: box captions, the
// page number, and the name an export suggests.
#pragma once

#include <cstdint>
#include <string>

namespace text {
constexpr const char* kControlsCaption = "Viewer controls";
constexpr const char* kFileNameCaption = "The file currently loaded";
constexpr const char* kPageNumberCaption = "";
}  // namespace text

// "Current page is 3 of 12" for the third page of twelve.
std::string PageNumberText(int32_t page, int32_t pageCount);

// The export's suggested name for page `page` (from 0): "p0007.bmp".
std::string SuggestedExportName(int32_t page);
