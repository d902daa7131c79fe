#include "document/page_state.h"


namespace {
constexpr uint32_t kBytesPerColor = 4;
constexpr int kScrollStepsPerPage = 30;
constexpr int kLargestIndexedDepth = 8;
}  // namespace

bool CountColors(const BitmapFileHeader& file, const BitmapInfoHeader& info, int32_t* count) {
  uint64_t colors;
  if (file.bfOffBits != 0) {
    colors = (file.bfOffBits - kBitmapHeadersSize) / kBytesPerColor;  // unsigned, rounded down
  } else if (info.biBitCount <= kLargestIndexedDepth) {
    colors = info.biClrUsed != 0 ? info.biClrUsed : uint64_t{1} << info.biBitCount;
  } else {
    colors = 0;  // a deep picture with no offset of the bits has no table
  }
  uint64_t headerEntries = 0;
  if (info.biSize > sizeof(BitmapInfoHeader) && info.biSize <= kLongestInfoHeader) {
    headerEntries = (info.biSize - sizeof(BitmapInfoHeader)) / kBytesPerColor;
  }
  if (colors > kMaxColors + headerEntries) return false;
  *count = static_cast<int32_t>(colors);
  return true;
}

void PreparePageBlock(PageState& page, DocumentHost& host, uint32_t size, int32_t height) {
  if (size > static_cast<uint32_t>(page.bitsBytes) || page.bits == nullptr) page.bits = host.ReplacePageBlock(size);
  page.scrollStep = static_cast<int32_t>(height / static_cast<double>(kScrollStepsPerPage) + 0.5);
  page.bitsBytes = static_cast<int32_t>(size);
}

void FitWindowIfResized(PageState& page, DocumentHost& host, int32_t width, int32_t height) {
  if (width == page.fittedWidth && height == page.fittedHeight) return;
  host.FitWindowToPage();
  page.fittedWidth = width;
  page.fittedHeight = height;
}
