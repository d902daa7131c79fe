// What a scanned page holds once its paper is white: the ink of its text
// and line art, cut at a threshold that follows the page's local contrast,
// and the regions of continuous tone (photographs, shaded illustrations)
// that are better stored as pictures.
#pragma once

#include <cstdint>
#include <vector>

#include "builder/page_box.h"
#include "input/page_image.h"

struct PageContent {
  std::vector<uint8_t> ink;    // 1 for ink outside the pictures, top row first
  std::vector<Box> pictures;   // from the top, then from the left
  std::vector<uint8_t> allInk;  // the ink before the pictures were cleared of it
  // 1 for light coloured ink outside the pictures (highlighter, tinted
  // boxes, coloured fills), which lies under the dark ink.
  std::vector<uint8_t> colourInk;
};

// Measures the page in squares of `tileSide` pixels.
PageContent AnalysePage(const PageImage& image, int32_t tileSide);

// Grows the pictures over the large groups of ink that touch them (the dark
// parts of a photograph) and clears that ink; small groups beside a picture
// (its caption) stay ink.
void AbsorbInkIntoPictures(PageContent& content, int32_t width, int32_t height, int32_t tileSide);

// Adds to the ink the letters that lie over the pictures: groups of ink of
// a letter's size, on a light ground that stands out around them.
void KeepTextOverPictures(PageContent& content, const PageImage& image, int32_t dotsPerInch);

// Makes the pixels of the box that are paper (bright and without colour)
// white, so that a picture's margins and the paper showing through it are
// the page's white, not a grey that shows its box.
void WhitenPaper(PageImage& image, const Box& box);

// Joins overlapping boxes until none overlap, and sorts them.
std::vector<Box> MergeOverlapping(std::vector<Box> boxes);
