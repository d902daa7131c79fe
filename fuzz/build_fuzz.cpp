// Arbitrary bytes as a page image: reading refuses it with a message or
// gives an image, and every image the builder stores without loss builds
// back to exactly its pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "builder/document_writer.h"
#include "builder/page_check.h"
#include "builder/page_encoder.h"
#include "input/page_image.h"
#include "document/document_error.h"

namespace {
constexpr int64_t kLargestFuzzedPixels = 1 << 16;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PageImage image;
  std::string error;
  if (!DecodePageImage(std::vector<uint8_t>(data, data + size), image, error, kLargestFuzzedPixels)) {
    if (error.empty()) std::abort();
    return 0;
  }
  const bool bitonal = IsBlackAndWhite(image) || (size > 0 && data[size - 1] & 1);
  const std::vector<uint8_t> ink = InkMap(image, kDefaultThreshold);
  DocumentWriter document;
  BeginDocument(document, 1);
  if (bitonal) {
    WriteBitonalPage(document, image, ink);
  } else {
    WriteColourPage(document, image, 0, Switches{});
  }
  if (!EndPage(document)) std::abort();
  // The builder's own pages never fail to load: any failure is a fault.
  try {
    if (CompareBuiltPage(document, 0, image, bitonal ? &ink : nullptr).differentPixels != 0) std::abort();
  } catch (const DocumentError&) {
    std::abort();
  }
  return 0;
}
