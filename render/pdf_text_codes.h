// The two-byte codes the invisible text is shown in, and the ToUnicode CMap
// that turns them back into characters. A character of the basic plane is
// its own code. Those beyond it have no code of their own: each distinct
// one of the document takes one of the codes UTF-16 keeps for surrogate
// halves, which no character is, and the CMap maps that code to its pair.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "kwen/text.h"

class PdfTextCodes {
 public:
  // Gives the characters beyond the basic plane in `text` their codes, in
  // the order met; past the 2048 codes there are, they become U+FFFD.
  void Add(const kwen::PageText& text);
  // The codes of a UTF-8 word (a character not well-formed, or beyond the
  // basic plane and not added, becomes U+FFFD).
  std::vector<uint16_t> Of(const std::string& utf8) const;
  // The ToUnicode CMap of every code.
  std::string ToUnicodeCMap() const;

 private:
  std::map<char32_t, uint16_t> beyondBasic_;
};
