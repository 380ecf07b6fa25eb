// Two properties the conversion has for every input, written so that the tests and the fuzz
// target check the same thing: equivalent spellings give the same codes, and each line
// converts as it would alone.
#pragma once

#include <string>
#include <string_view>

#include <lipimattam/convert.h>

#include "engine/sign_rules.h"

namespace lipimattam::testing {

// The text with every O, OO and AU sign written as its canonical decomposition.
inline std::u16string DecomposeTwoPartSigns(std::u16string_view text) {
  std::u16string out;
  out.reserve(2 * text.size());
  for (const char16_t unit : text) {
    switch (unit) {
      case 0x0D4A:
        out += u"\u0D46\u0D3E";
        break;  // O = E + AA
      case 0x0D4B:
        out += u"\u0D47\u0D3E";
        break;  // OO = EE + AA
      case 0x0D4C:
        out += u"\u0D46\u0D57";
        break;  // AU = E + AU length mark
      default:
        out += unit;
    }
  }
  return out;
}

// Each line converted on its own, joined by the line breaks that stood between them.
inline std::u16string ConvertLineByLine(std::u16string_view text) {
  std::u16string out;
  std::size_t line_start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !IsLineBreak(text[i])) continue;
    out += ConvertText(text.substr(line_start, i - line_start));
    if (i < text.size()) out += text[i];
    line_start = i + 1;
  }
  return out;
}

}  // namespace lipimattam::testing
