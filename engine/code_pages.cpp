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

constexpr std::array<char16_t, 256> UnitsOf(CodePage page) {
  std::array<char16_t, 256> units{};
  for (std::size_t byte = 0; byte < units.size(); ++byte) {
    const bool remapped =
        page == CodePage::kCp1252 && byte >= 0x80 && byte <= 0x9F && kCp1252Characters[byte - 0x80];
    units[byte] = remapped ? kCp1252Characters[byte - 0x80] : static_cast<char16_t>(byte);
  }
  return units;
}

constexpr std::array<char16_t, 256> kLatin1Units = UnitsOf(CodePage::kLatin1);
constexpr std::array<char16_t, 256> kCp1252Units = UnitsOf(CodePage::kCp1252);

static_assert(std::count(kCp1252Characters.begin(), kCp1252Characters.end(), 0) == 5,
              "Windows-1252 leaves five bytes undefined");
static_assert(std::all_of(kCp1252Characters.begin(), kCp1252Characters.end(),
                          [](char16_t unit) { return unit == 0 || unit > 0xFF; }),
              "a Windows-1252 character of 0x80..0x9F lies beyond Latin-1");

}  // namespace

const std::array<char16_t, 256>& UnitsOfBytes(CodePage page) {
  return page == CodePage::kCp1252 ? kCp1252Units : kLatin1Units;
}

int ByteOfUnit(char16_t unit, CodePage page) {
  if (unit <= 0xFF) return unit;
  if (page != CodePage::kCp1252) return -1;
  const auto* const found = std::find(kCp1252Characters.begin(), kCp1252Characters.end(), unit);
  return found == kCp1252Characters.end()
             ? -1
             : 0x80 + static_cast<int>(found - kCp1252Characters.begin());
}

bool ConvertsIntoCodePage(char32_t code_point, CodePage page) {
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
