// Turns one page image into a page record.
#pragma once

#include <cstdint>
#include <vector>

#include "builder/document_writer.h"
#include "input/page_image.h"
#include "engine/run_parameters.h"

constexpr int32_t kDefaultThreshold = 128;

// Only pure black and pure white pixels: the page is stored bitonal as it is.
bool IsBlackAndWhite(const PageImage& image);
// 1 for ink: pixels whose brightness (0 to 255) is below the threshold.
std::vector<uint8_t> InkMap(const PageImage& image, int32_t threshold);

// A 1-bit page whose spots are the connected groups of ink, each shape
// stored once.
void WriteBitonalPage(DocumentWriter& document, const PageImage& image, const std::vector<uint8_t>& ink);
// A 1-bit page stored as one picture of its pixels, for a page of more spots
// than SpotsWithinBudget allows. Only a page at least 2 pixels wide and high
// has one: a thinner 1-bit picture carries no bits.
bool HasBitonalPicture(const PageImage& image);
void WriteBitonalPicturePage(DocumentWriter& document, const PageImage& image, const std::vector<uint8_t>& ink);

// A 24-bit page, or for a page of greys only an 8-bit page with a grey
// table: groups of one colour as masks, the rest as pictures (the whole page
// one picture when its groups are more than SpotsWithinBudget allows), raw (quality
// 0) or compact-coded at the scale for the quality where that packs smaller
// (with `switches`) than raw. A grey page stays 8-bit unless a picture is
// compact-coded, which needs 24 bits. Returns the page's bits per pixel.
uint16_t WriteColourPage(DocumentWriter& document, const PageImage& image, int32_t quality, const Switches& switches);
