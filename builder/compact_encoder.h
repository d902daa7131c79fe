// The compact coding of colour pictures, the exact counterpart of the
// viewer's decoder: brightness and two colour differences, a forward 9 x 9
// cosine transform of type I per block, quantisation by the decoder's steps
// and DC prediction from block to block. The blocks' mean levels are
// quantised with their rounding errors carried on to the blocks after them,
// so that a flat area keeps its colour on average however coarse the steps.
#pragma once

#include <cstdint>
#include <vector>

#include "input/page_image.h"

// The quantiser scale for a quality from 1 (smallest) to 100 (best).
int32_t ScaleForQuality(int32_t quality);

// A grey picture is coded without colour differences, so that no colour
// creeps into it.
enum class PictureTone { kColour, kGrey };

// Appends the coefficients of the picture of width x height pixels whose
// top-left pixel is (left, top) of the image, at quantiser scale `scale`.
void EncodeCompactPicture(const PageImage& image, int32_t left, int32_t top, int32_t width, int32_t height,
                          int32_t scale, PictureTone tone, std::vector<uint8_t>& out);
