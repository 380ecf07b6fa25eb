#include <lipimattam/code_pages.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/glyph_map.h"

namespace lipimattam {
namespace {

// The characters of the bytes 0x80..0x9F in Windows-1252; 0 where it leaves a byte undefined.
constexpr std::array<char16_t, 32> kCp1252Characters = {
    0x20AC,  // 0x80 EURO SIGN
    0,       // 0x81 undefined
    0x201A,  // 0x82 SINGLE LOW-9 QUOTATION MARK
    0x0192,  // 0x83 LATIN SMALL LETTER F WITH HOOK
    0x201E,  // 0x84 DOUBLE LOW-9 QUOTATION MARK
    0x2026,  // 0x85 HORIZONTAL ELLIPSIS
    0x2020,  // 0x86 DAGGER
    0x2021,  // 0x87 DOUBLE DAGGER
    0x02C6,  // 0x88 MODIFIER LETTER CIRCUMFLEX ACCENT
    0x2030,  // 0x89 PER MILLE SIGN
    0x0160,  // 0x8A LATIN CAPITAL LETTER S WITH CARON
    0x2039,  // 0x8B SINGLE LEFT-POINTING ANGLE QUOTATION MARK
    0x0152,  // 0x8C LATIN CAPITAL LIGATURE OE
    0,       // 0x8D undefined
    0x017D,  // 0x8E LATIN CAPITAL LETTER Z WITH CARON
    0,       // 0x8F undefined
    0,       // 0x90 undefined
    0x2018,  // 0x91 LEFT SINGLE QUOTATION MARK
    0x2019,  // 0x92 RIGHT SINGLE QUOTATION MARK
    0x201C,  // 0x93 LEFT DOUBLE QUOTATION MARK
    0x201D,  // 0x94 RIGHT DOUBLE QUOTATION MARK
    0x2022,  // 0x95 BULLET
    0x2013,  // 0x96 EN DASH
    0x2014,  // 0x97 EM DASH
    0x02DC,  // 0x98 SMALL TILDE
    0x2122,  // 0x99 TRADE MARK SIGN
    0x0161,  // 0x9A LATIN SMALL LETTER S WITH CARON
    0x203A,  // 0x9B SINGLE RIGHT-POINTING ANGLE QUOTATION MARK
    0x0153,  // 0x9C LATIN SMALL LIGATURE OE
    0,       // 0x9D undefined
    0x017E,  // 0x9E LATIN SMALL LETTER Z WITH CARON
    0x0178,  // 0x9F LATIN CAPITAL LETTER Y WITH DIAERESIS
};

// The characters of the bytes 0x80..0xFF in Mac Roman, in its older form, as the Mac versions
// of the ML-TT fonts hold their codes: ∂ for 0xB6, √ for 0xC3, ≠ for 0xAD.
constexpr std::array<char16_t, 128> kMacRomanCharacters = {
    0x00C4,  // 0x80 LATIN CAPITAL LETTER A WITH DIAERESIS
    0x00C5,  // 0x81 LATIN CAPITAL LETTER A WITH RING ABOVE
    0x00C7,  // 0x82 LATIN CAPITAL LETTER C WITH CEDILLA
    0x00C9,  // 0x83 LATIN CAPITAL LETTER E WITH ACUTE
    0x00D1,  // 0x84 LATIN CAPITAL LETTER N WITH TILDE
    0x00D6,  // 0x85 LATIN CAPITAL LETTER O WITH DIAERESIS
    0x00DC,  // 0x86 LATIN CAPITAL LETTER U WITH DIAERESIS
    0x00E1,  // 0x87 LATIN SMALL LETTER A WITH ACUTE
    0x00E0,  // 0x88 LATIN SMALL LETTER A WITH GRAVE
    0x00E2,  // 0x89 LATIN SMALL LETTER A WITH CIRCUMFLEX
    0x00E4,  // 0x8A LATIN SMALL LETTER A WITH DIAERESIS
    0x00E3,  // 0x8B LATIN SMALL LETTER A WITH TILDE
    0x00E5,  // 0x8C LATIN SMALL LETTER A WITH RING ABOVE
    0x00E7,  // 0x8D LATIN SMALL LETTER C WITH CEDILLA
    0x00E9,  // 0x8E LATIN SMALL LETTER E WITH ACUTE
    0x00E8,  // 0x8F LATIN SMALL LETTER E WITH GRAVE
    0x00EA,  // 0x90 LATIN SMALL LETTER E WITH CIRCUMFLEX
    0x00EB,  // 0x91 LATIN SMALL LETTER E WITH DIAERESIS
    0x00ED,  // 0x92 LATIN SMALL LETTER I WITH ACUTE
    0x00EC,  // 0x93 LATIN SMALL LETTER I WITH GRAVE
    0x00EE,  // 0x94 LATIN SMALL LETTER I WITH CIRCUMFLEX
    0x00EF,  // 0x95 LATIN SMALL LETTER I WITH DIAERESIS
    0x00F1,  // 0x96 LATIN SMALL LETTER N WITH TILDE
    0x00F3,  // 0x97 LATIN SMALL LETTER O WITH ACUTE
    0x00F2,  // 0x98 LATIN SMALL LETTER O WITH GRAVE
    0x00F4,  // 0x99 LATIN SMALL LETTER O WITH CIRCUMFLEX
    0x00F6,  // 0x9A LATIN SMALL LETTER O WITH DIAERESIS
    0x00F5,  // 0x9B LATIN SMALL LETTER O WITH TILDE
    0x00FA,  // 0x9C LATIN SMALL LETTER U WITH ACUTE
    0x00F9,  // 0x9D LATIN SMALL LETTER U WITH GRAVE
    0x00FB,  // 0x9E LATIN SMALL LETTER U WITH CIRCUMFLEX
    0x00FC,  // 0x9F LATIN SMALL LETTER U WITH DIAERESIS
    0x2020,  // 0xA0 DAGGER
    0x00B0,  // 0xA1 DEGREE SIGN
    0x00A2,  // 0xA2 CENT SIGN
    0x00A3,  // 0xA3 POUND SIGN
    0x00A7,  // 0xA4 SECTION SIGN
    0x2022,  // 0xA5 BULLET
    0x00B6,  // 0xA6 PILCROW SIGN
    0x00DF,  // 0xA7 LATIN SMALL LETTER SHARP S
    0x00AE,  // 0xA8 REGISTERED SIGN
    0x00A9,  // 0xA9 COPYRIGHT SIGN
    0x2122,  // 0xAA TRADE MARK SIGN
    0x00B4,  // 0xAB ACUTE ACCENT
    0x00A8,  // 0xAC DIAERESIS
    0x2260,  // 0xAD NOT EQUAL TO
    0x00C6,  // 0xAE LATIN CAPITAL LETTER AE
    0x00D8,  // 0xAF LATIN CAPITAL LETTER O WITH STROKE
    0x221E,  // 0xB0 INFINITY
    0x00B1,  // 0xB1 PLUS-MINUS SIGN
    0x2264,  // 0xB2 LESS-THAN OR EQUAL TO
    0x2265,  // 0xB3 GREATER-THAN OR EQUAL TO
    0x00A5,  // 0xB4 YEN SIGN
    0x00B5,  // 0xB5 MICRO SIGN
    0x2202,  // 0xB6 PARTIAL DIFFERENTIAL
    0x2211,  // 0xB7 N-ARY SUMMATION
    0x220F,  // 0xB8 N-ARY PRODUCT
    0x03C0,  // 0xB9 GREEK SMALL LETTER PI
    0x222B,  // 0xBA INTEGRAL
    0x00AA,  // 0xBB FEMININE ORDINAL INDICATOR
    0x00BA,  // 0xBC MASCULINE ORDINAL INDICATOR
    0x03A9,  // 0xBD GREEK CAPITAL LETTER OMEGA; OHM SIGN U+2126 reads as this byte too
    0x00E6,  // 0xBE LATIN SMALL LETTER AE
    0x00F8,  // 0xBF LATIN SMALL LETTER O WITH STROKE
    0x00BF,  // 0xC0 INVERTED QUESTION MARK
    0x00A1,  // 0xC1 INVERTED EXCLAMATION MARK
    0x00AC,  // 0xC2 NOT SIGN
    0x221A,  // 0xC3 SQUARE ROOT
    0x0192,  // 0xC4 LATIN SMALL LETTER F WITH HOOK
    0x2248,  // 0xC5 ALMOST EQUAL TO
    0x2206,  // 0xC6 INCREMENT
    0x00AB,  // 0xC7 LEFT-POINTING DOUBLE ANGLE QUOTATION MARK
    0x00BB,  // 0xC8 RIGHT-POINTING DOUBLE ANGLE QUOTATION MARK
    0x2026,  // 0xC9 HORIZONTAL ELLIPSIS
    0x00A0,  // 0xCA NO-BREAK SPACE
    0x00C0,  // 0xCB LATIN CAPITAL LETTER A WITH GRAVE
    0x00C3,  // 0xCC LATIN CAPITAL LETTER A WITH TILDE
    0x00D5,  // 0xCD LATIN CAPITAL LETTER O WITH TILDE
    0x0152,  // 0xCE LATIN CAPITAL LIGATURE OE
    0x0153,  // 0xCF LATIN SMALL LIGATURE OE
    0x2013,  // 0xD0 EN DASH
    0x2014,  // 0xD1 EM DASH
    0x201C,  // 0xD2 LEFT DOUBLE QUOTATION MARK
    0x201D,  // 0xD3 RIGHT DOUBLE QUOTATION MARK
    0x2018,  // 0xD4 LEFT SINGLE QUOTATION MARK
    0x2019,  // 0xD5 RIGHT SINGLE QUOTATION MARK
    0x00F7,  // 0xD6 DIVISION SIGN
    0x25CA,  // 0xD7 LOZENGE
    0x00FF,  // 0xD8 LATIN SMALL LETTER Y WITH DIAERESIS
    0x0178,  // 0xD9 LATIN CAPITAL LETTER Y WITH DIAERESIS
    0x2044,  // 0xDA FRACTION SLASH
    0x00A4,  // 0xDB CURRENCY SIGN; the newer form has EURO SIGN here
    0x2039,  // 0xDC SINGLE LEFT-POINTING ANGLE QUOTATION MARK
    0x203A,  // 0xDD SINGLE RIGHT-POINTING ANGLE QUOTATION MARK
    0xFB01,  // 0xDE LATIN SMALL LIGATURE FI
    0xFB02,  // 0xDF LATIN SMALL LIGATURE FL
    0x2021,  // 0xE0 DOUBLE DAGGER
    0x00B7,  // 0xE1 MIDDLE DOT
    0x201A,  // 0xE2 SINGLE LOW-9 QUOTATION MARK
    0x201E,  // 0xE3 DOUBLE LOW-9 QUOTATION MARK
    0x2030,  // 0xE4 PER MILLE SIGN
    0x00C2,  // 0xE5 LATIN CAPITAL LETTER A WITH CIRCUMFLEX
    0x00CA,  // 0xE6 LATIN CAPITAL LETTER E WITH CIRCUMFLEX
    0x00C1,  // 0xE7 LATIN CAPITAL LETTER A WITH ACUTE
    0x00CB,  // 0xE8 LATIN CAPITAL LETTER E WITH DIAERESIS
    0x00C8,  // 0xE9 LATIN CAPITAL LETTER E WITH GRAVE
    0x00CD,  // 0xEA LATIN CAPITAL LETTER I WITH ACUTE
    0x00CE,  // 0xEB LATIN CAPITAL LETTER I WITH CIRCUMFLEX
    0x00CF,  // 0xEC LATIN CAPITAL LETTER I WITH DIAERESIS
    0x00CC,  // 0xED LATIN CAPITAL LETTER I WITH GRAVE
    0x00D3,  // 0xEE LATIN CAPITAL LETTER O WITH ACUTE
    0x00D4,  // 0xEF LATIN CAPITAL LETTER O WITH CIRCUMFLEX
    0xF8FF,  // 0xF0 PRIVATE USE (APPLE LOGO)
    0x00D2,  // 0xF1 LATIN CAPITAL LETTER O WITH GRAVE
    0x00DA,  // 0xF2 LATIN CAPITAL LETTER U WITH ACUTE
    0x00DB,  // 0xF3 LATIN CAPITAL LETTER U WITH CIRCUMFLEX
    0x00D9,  // 0xF4 LATIN CAPITAL LETTER U WITH GRAVE
    0x0131,  // 0xF5 LATIN SMALL LETTER DOTLESS I
    0x02C6,  // 0xF6 MODIFIER LETTER CIRCUMFLEX ACCENT
    0x02DC,  // 0xF7 SMALL TILDE
    0x00AF,  // 0xF8 MACRON
    0x02D8,  // 0xF9 BREVE
    0x02D9,  // 0xFA DOT ABOVE
    0x02DA,  // 0xFB RING ABOVE
    0x00B8,  // 0xFC CEDILLA
    0x02DD,  // 0xFD DOUBLE ACUTE ACCENT
    0x02DB,  // 0xFE OGONEK
    0x02C7,  // 0xFF CARON
};

// Characters that other forms of Mac Roman give a byte.
struct OtherMacRomanCharacter {
  char16_t unit;
  int byte;
};
constexpr OtherMacRomanCharacter kOtherMacRomanCharacters[] = {
    {0x20AC, 0xDB},  // EURO SIGN, in the newer form
    {0x2126, 0xBD},  // OHM SIGN, which some converters give for the GREEK CAPITAL LETTER OMEGA
};

constexpr std::array<char16_t, 256> UnitsOf(CodePage page) {
  std::array<char16_t, 256> units{};
  for (std::size_t byte = 0; byte < units.size(); ++byte) {
    if (page == CodePage::kMacRoman) {
      units[byte] = byte < 0x80 ? static_cast<char16_t>(byte) : kMacRomanCharacters[byte - 0x80];
      continue;
    }
    const bool remapped =
        page == CodePage::kCp1252 && byte >= 0x80 && byte <= 0x9F && kCp1252Characters[byte - 0x80];
    units[byte] = remapped ? kCp1252Characters[byte - 0x80] : static_cast<char16_t>(byte);
  }
  return units;
}

constexpr std::array<char16_t, 256> kLatin1Units = UnitsOf(CodePage::kLatin1);
constexpr std::array<char16_t, 256> kCp1252Units = UnitsOf(CodePage::kCp1252);
constexpr std::array<char16_t, 256> kMacRomanUnits = UnitsOf(CodePage::kMacRoman);

static_assert(std::count(kCp1252Characters.begin(), kCp1252Characters.end(), 0) == 5,
              "Windows-1252 leaves five bytes undefined");
static_assert(std::all_of(kCp1252Characters.begin(), kCp1252Characters.end(),
                          [](char16_t unit) { return unit == 0 || unit > 0xFF; }),
              "a Windows-1252 character of 0x80..0x9F lies beyond Latin-1");

}  // namespace

const std::array<char16_t, 256>& UnitsOfBytes(CodePage page) {
  switch (page) {
    case CodePage::kCp1252:
      return kCp1252Units;
    case CodePage::kMacRoman:
      return kMacRomanUnits;
    case CodePage::kLatin1:
      break;
  }
  return kLatin1Units;
}

int ByteOfUnit(char16_t unit, CodePage page) {
  if (page == CodePage::kMacRoman) {
    if (unit < 0x80) return unit;
    const auto* const found =
        std::find(kMacRomanCharacters.begin(), kMacRomanCharacters.end(), unit);
    if (found != kMacRomanCharacters.end())
      return 0x80 + static_cast<int>(found - kMacRomanCharacters.begin());
    for (const OtherMacRomanCharacter& other : kOtherMacRomanCharacters)
      if (other.unit == unit) return other.byte;
    return -1;
  }
  if (unit <= 0xFF) return unit;
  if (page != CodePage::kCp1252) return -1;
  const auto* const found = std::find(kCp1252Characters.begin(), kCp1252Characters.end(), unit);
  return found == kCp1252Characters.end()
             ? -1
             : 0x80 + static_cast<int>(found - kCp1252Characters.begin());
}

bool ConvertsIntoCodePage(char32_t code_point, CodePage page) {
  if (page == CodePage::kMacRoman) page = CodePage::kLatin1;  // bytes are the codes
  if (code_point <= 0xFF) return true;
  if (code_point > 0xFFFF) return false;
  const auto unit = static_cast<char16_t>(code_point);
  const GlyphString glyphs = MapCodeUnit(unit);
  if (glyphs.size() == 1 && glyphs[0] == unit) return ByteOfUnit(unit, page) >= 0;  // no glyph
  for (std::size_t k = 0; k < glyphs.size(); ++k)
    if (glyphs[k] > 0xFF) return false;
  return true;
}

}  // namespace lipimattam
