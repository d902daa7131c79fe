// The unpacked document: the label "KNWE", the table of page sizes, and the
// two number encodings of the spot records.
//
// Unsigned numbers come in 7-bit groups, least significant first, bit 7 set
// when another byte follows (at most 5 bytes). Signed numbers are unsigned
// ones with the sign in bit 0 and the magnitude above it.
#pragma once

#include <cstdint>

#include "viewer/document/doc_file.h"

constexpr int kLongestNumber = 5;

// Each reads one number at the file's position, returning the bytes consumed;
// a failed read, or a number of more than 5 bytes, fails with `message`.
int ReadUnsignedNumber(DocFile& file, uint32_t* value, const char* message);
int ReadSignedNumber(DocFile& file, int32_t* value, const char* message);

// The signed value of an unsigned number.
inline int32_t SignedFromNumber(uint32_t number) {
  int32_t magnitude = static_cast<int32_t>(number >> 1);
  return (number & 1u) ? -magnitude : magnitude;
}

// Reads and checks the label and the page-size table through `hdoc` and
// turns the sizes into iPageCount and aPageOffset; sets iCurPage to 0.
void ReadDocumentTable(DocFile& hdoc);
