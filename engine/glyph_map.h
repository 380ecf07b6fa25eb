// The glyph map: what one UTF-16 code unit becomes in the font "ML-TTRevathi" when taken alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/glyph_string.h"

namespace lipimattam {

struct GlyphMapRow {
  char16_t code_point = 0;
  GlyphString glyphs;
};

inline constexpr char16_t kZeroWidthNonJoiner = 0x200C;
inline constexpr char16_t kZeroWidthJoiner = 0x200D;
inline constexpr char16_t kViramaUnit = 0x0D4D;     // MALAYALAM SIGN VIRAMA
inline constexpr char16_t kRaUnit = 0x0D30;         // MALAYALAM LETTER RA
inline constexpr GlyphCode kNonJoinerGlyph = 0x2D;  // "-"
inline constexpr GlyphCode kJoinerGlyph = 0x21;     // "!"

// The Malayalam block, one row per code point that has glyphs, in code point order.
inline constexpr GlyphMapRow kGlyphMap[] = {
    {0x0D02, u"w"},       // SIGN ANUSVARA
    {0x0D03, u"x"},       // SIGN VISARGA
    {0x0D05, u"A"},       // LETTER A
    {0x0D06, u"B"},       // LETTER AA
    {0x0D07, u"C"},       // LETTER I
    {0x0D08, u"Cu"},      // LETTER II
    {0x0D09, u"D"},       // LETTER U
    {0x0D0A, u"Du"},      // LETTER UU
    {0x0D0B, u"E"},       // LETTER VOCALIC R
    {0x0D0C, u"\u00C2"},  // LETTER VOCALIC L (same code as VOCALIC LL and chillu L)
    {0x0D0E, u"F"},       // LETTER E
    {0x0D0F, u"G"},       // LETTER EE
    {0x0D10, u"sF"},      // LETTER AI
    {0x0D12, u"H"},       // LETTER O
    {0x0D13, u"Hm"},      // LETTER OO
    {0x0D14, u"Hu"},      // LETTER AU
    {0x0D15, u"I"},       // LETTER KA
    {0x0D16, u"J"},       // LETTER KHA
    {0x0D17, u"K"},       // LETTER GA
    {0x0D18, u"L"},       // LETTER GHA
    {0x0D19, u"M"},       // LETTER NGA
    {0x0D1A, u"N"},       // LETTER CA
    {0x0D1B, u"O"},       // LETTER CHA
    {0x0D1C, u"P"},       // LETTER JA
    {0x0D1D, u"Q"},       // LETTER JHA
    {0x0D1E, u"R"},       // LETTER NYA
    {0x0D1F, u"S"},       // LETTER TTA
    {0x0D20, u"T"},       // LETTER TTHA
    {0x0D21, u"U"},       // LETTER DDA
    {0x0D22, u"V"},       // LETTER DDHA
    {0x0D23, u"W"},       // LETTER NNA
    {0x0D24, u"X"},       // LETTER TA
    {0x0D25, u"Y"},       // LETTER THA
    {0x0D26, u"Z"},       // LETTER DA
    {0x0D27, u"["},       // LETTER DHA
    {0x0D28, u"\\"},      // LETTER NA
    {0x0D2A, u"]"},       // LETTER PA
    {0x0D2B, u"^"},       // LETTER PHA
    {0x0D2C, u"_"},       // LETTER BA
    {0x0D2D, u"`"},       // LETTER BHA
    {0x0D2E, u"a"},       // LETTER MA
    {0x0D2F, u"b"},       // LETTER YA
    {0x0D30, u"c"},       // LETTER RA
    {0x0D31, u"d"},       // LETTER RRA
    {0x0D32, u"e"},       // LETTER LA
    {0x0D33, u"f"},       // LETTER LLA
    {0x0D34, u"g"},       // LETTER LLLA
    {0x0D35, u"h"},       // LETTER VA
    {0x0D36, u"i"},       // LETTER SHA
    {0x0D37, u"j"},       // LETTER SSA
    {0x0D38, u"k"},       // LETTER SA
    {0x0D39, u"l"},       // LETTER HA
    {0x0D3E, u"m"},       // VOWEL SIGN AA
    {0x0D3F, u"n"},       // VOWEL SIGN I
    {0x0D40, u"o"},       // VOWEL SIGN II
    {0x0D41, u"p"},       // VOWEL SIGN U
    {0x0D42, u"q"},       // VOWEL SIGN UU
    {0x0D43, u"r"},       // VOWEL SIGN VOCALIC R
    {0x0D46, u"s"},       // VOWEL SIGN E
    {0x0D47, u"t"},       // VOWEL SIGN EE
    {0x0D48, u"ss"},      // VOWEL SIGN AI
    {0x0D4A, u"sm"},      // VOWEL SIGN O
    {0x0D4B, u"tm"},      // VOWEL SIGN OO
    {0x0D4C, u"su"},      // VOWEL SIGN AU
    {0x0D4D, u"v"},       // SIGN VIRAMA
    {0x0D57, u"u"},       // AU LENGTH MARK
    {0x0D60, u"\u00C0"},  // LETTER VOCALIC RR (same code as chillu RR)
    {0x0D61, u"\u00C2"},  // LETTER VOCALIC LL (same code as VOCALIC L and chillu L)
    {0x0D66, u"0"},       // DIGIT ZERO
    {0x0D67, u"1"},       // DIGIT ONE
    {0x0D68, u"2"},       // DIGIT TWO
    {0x0D69, u"3"},       // DIGIT THREE
    {0x0D6A, u"4"},       // DIGIT FOUR
    {0x0D6B, u"5"},       // DIGIT FIVE
    {0x0D6C, u"6"},       // DIGIT SIX
    {0x0D6D, u"7"},       // DIGIT SEVEN
    {0x0D6E, u"8"},       // DIGIT EIGHT
    {0x0D6F, u"9"},       // DIGIT NINE
    {0x0D7A, u"\u00AC"},  // LETTER CHILLU NN = NNA + VIRAMA + ZWJ
    {0x0D7B, u"\u00B3"},  // LETTER CHILLU N = NA + VIRAMA + ZWJ
    {0x0D7C, u"\u00C0"},  // LETTER CHILLU RR = RA + VIRAMA + ZWJ
    {0x0D7D, u"\u00C2"},  // LETTER CHILLU L = LA + VIRAMA + ZWJ
    {0x0D7E, u"\u00C4"},  // LETTER CHILLU LL = LLA + VIRAMA + ZWJ
    {0x0D7F, u"Iv!"},     // LETTER CHILLU K = KA + VIRAMA + ZWJ
};

inline constexpr char16_t kGlyphMapFirst = 0x0D00;
inline constexpr std::size_t kGlyphMapSpan = 0x80;  // U+0D00..U+0D7F

namespace detail {

constexpr std::array<GlyphString, kGlyphMapSpan> BuildGlyphMapIndex() {
  std::array<GlyphString, kGlyphMapSpan> index{};
  for (const GlyphMapRow& row : kGlyphMap) index[row.code_point - kGlyphMapFirst] = row.glyphs;
  return index;
}

constexpr bool IsFontCode(char16_t unit) {
  return (unit >= 0x21 && unit <= 0x7B) || (unit >= 0xA1 && unit <= 0xE4);
}

constexpr bool GlyphMapIsWellFormed() {
  char16_t previous = 0;
  for (const GlyphMapRow& row : kGlyphMap) {
    if (row.code_point <= previous || row.code_point < kGlyphMapFirst ||
        row.code_point >= kGlyphMapFirst + kGlyphMapSpan || row.glyphs.empty() ||
        row.glyphs.size() > 3)
      return false;
    for (std::size_t i = 0; i < row.glyphs.size(); ++i)
      if (!IsFontCode(row.glyphs[i])) return false;
    previous = row.code_point;
  }
  return true;
}

}  // namespace detail

static_assert(std::size(kGlyphMap) == 84, "78 rows of the Malayalam block and 6 atomic chillus");
static_assert(detail::GlyphMapIsWellFormed(),
              "rows ascend, stay in the block and hold one to three font codes");

inline constexpr std::array<GlyphString, kGlyphMapSpan> kGlyphMapIndex =
    detail::BuildGlyphMapIndex();

// The glyph string for one code unit, given as its value: the joiners and the rows of the map
// give their glyphs; every other value gives the unit itself (a negative value is read as the
// 16-bit unit it came from, -1 as U+FFFF). Never empty.
[[nodiscard]] constexpr GlyphString MapCodeUnit(std::int32_t value) {
  const auto offset = static_cast<std::uint32_t>(value) - kGlyphMapFirst;
  if (offset < kGlyphMapSpan && !kGlyphMapIndex[offset].empty()) return kGlyphMapIndex[offset];
  if (value == kZeroWidthNonJoiner) return GlyphString(char16_t{kNonJoinerGlyph});
  if (value == kZeroWidthJoiner) return GlyphString(char16_t{kJoinerGlyph});
  return GlyphString(static_cast<char16_t>(value));
}

// The virama's code, which every conjunct row and the sub-joined signs look for.
inline constexpr GlyphCode kViramaGlyph = static_cast<GlyphCode>(MapCodeUnit(0x0D4D)[0]);
static_assert(MapCodeUnit(0x0D4D).size() == 1, "the virama must have one glyph code in kGlyphMap");

}  // namespace lipimattam
