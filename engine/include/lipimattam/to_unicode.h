// Converting text in the ML-TT encoding (the glyph codes of "ML-TTRevathi" and the ML-TT fonts
// that share them) back into Unicode Malayalam.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lipimattam {

struct ToUnicodeOptions {
  // Chillu codes as the atomic letters U+0D7A..U+0D7F, or as consonant, virama, ZWJ.
  enum class Chillu { kAtomic, kSequence } chillu = Chillu::kAtomic;
  // The digit codes "0".."9" as ASCII digits, or as Malayalam digits U+0D66..U+0D6F.
  enum class Digits { kAscii, kMalayalam } digits = Digits::kAscii;
};

struct ToUnicodeResult {
  std::u16string text;            // Unicode Malayalam in NFC, in logical order
  std::size_t unknown_codes = 0;  // glyph codes with no meaning in the encoding, copied as they are
  std::size_t first_unknown = 0;  // index in the input of the first of them
};

// One left-to-right pass over glyph codes (units below 0x100; units from 0x100 up are copied
// unchanged): each cluster of pre-base signs, RA sign, consonant or ligature, YA/VA signs and
// post-base signs becomes the consonants, viramas and vowel sign in Unicode's order.
[[nodiscard]] ToUnicodeResult ConvertToUnicode(std::u16string_view glyphs,
                                               const ToUnicodeOptions& options = {});

}  // namespace lipimattam
