#include "document/page_state.h"

#include "document/host.h"

BitmapFileHeader sBitMapFileHeader;
BitmapInfo sBitMapInfoHeader;
int32_t nColors = 0;
uint8_t* pDibBits = nullptr;
int32_t iDibBytes = 0;
bool bPageReady = false;
int32_t iScrollStep = 0;
int32_t iFittedWidth = 0;
int32_t iFittedHeight = 0;
int32_t iWhiteIndex = 0;
int32_t iBlackIndex = 0;
bool bCompact = false;
int32_t iQuantScale = -1;
PageCounts sPageCounts;

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

void PreparePageBlock(uint32_t size, int32_t height) {
  if (size > static_cast<uint32_t>(iDibBytes) || pDibBits == nullptr) pDibBits = ReplacePageBlock(size);
  iScrollStep = static_cast<int32_t>(height / static_cast<double>(kScrollStepsPerPage) + 0.5);
  iDibBytes = static_cast<int32_t>(size);
}

void FitWindowIfResized(int32_t width, int32_t height) {
  if (width == iFittedWidth && height == iFittedHeight) return;
  FitWindowToPage();
  iFittedWidth = width;
  iFittedHeight = height;
}
