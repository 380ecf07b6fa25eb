// Properties the conversion has for every input, written so that the tests and the fuzz
// target check the same thing: equivalent spellings give the same codes, each line converts as
// it would alone, and the reading back written as UTF-8 is the UTF-8 of the UTF-16 reading.
#pragma once

#include <utf8cpp/utf8.h>

#include <string>
#include <string_view>

#include <lipimattam/convert.h>
#include <lipimattam/utf16.h>

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

// UTF-16 text as UTF-8, by utfcpp, each surrogate that is not half of a pair as U+FFFD: what
// ToUnicodeUtf8Converter must give for the text ConvertToUnicode gives.
inline std::string Utf8OfReading(std::u16string text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsSurrogate(text[i])) {
      text[i] = 0xFFFD;
    }
  }
  return utf8::utf16to8(text);
}

}  // namespace lipimattam::testing
