// The conjunct table: a consonant, the virama and a second consonant (or the zero width
// joiner) that fuse into one ligature code of the font.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/glyph_string.h"

namespace lipimattam {

inline constexpr GlyphCode kViramaGlyph = 0x76;  // "v"

struct ConjunctRule {
  GlyphCode SecondLast;  // second-last unit of the output
  GlyphCode Last;        // last unit of the output: the virama in every row
  GlyphString Glyph;     // what the glyph in hand must equal as a whole
  GlyphCode Ligature;    // the one code that replaces all three
};

// Tried from the first row on; the pairs (SecondLast, Glyph) are unique, so at most one matches.
inline constexpr ConjunctRule ConjunctTable[] = {
    {0x49, kViramaGlyph, 0x49, 0xA1},  // KA + VIRAMA + KA
    {0x5C, kViramaGlyph, 0x64, 0xE2},  // NA + VIRAMA + RRA
    {0x49, kViramaGlyph, 0x65, 0xA2},  // KA + VIRAMA + LA
    {0x49, kViramaGlyph, 0x6A, 0xA3},  // KA + VIRAMA + SSA
    {0x4B, kViramaGlyph, 0x4B, 0xA4},  // GA + VIRAMA + GA
    {0x4B, kViramaGlyph, 0x65, 0xA5},  // GA + VIRAMA + LA
    {0x4D, kViramaGlyph, 0x49, 0xA6},  // NGA + VIRAMA + KA
    {0x4D, kViramaGlyph, 0x4D, 0xA7},  // NGA + VIRAMA + NGA
    {0x4E, kViramaGlyph, 0x4E, 0xA8},  // CA + VIRAMA + CA
    {0x52, kViramaGlyph, 0x4E, 0xA9},  // NYA + VIRAMA + CA
    {0x52, kViramaGlyph, 0x52, 0xAA},  // NYA + VIRAMA + NYA
    {0x53, kViramaGlyph, 0x53, 0xAB},  // TTA + VIRAMA + TTA
    {0x57, kViramaGlyph, 0x21, 0xAC},  // NNA + VIRAMA + ZWJ
    {0x57, kViramaGlyph, 0x53, 0xAD},  // NNA + VIRAMA + TTA
    {0x57, kViramaGlyph, 0x57, 0xAE},  // NNA + VIRAMA + NNA
    {0x58, kViramaGlyph, 0x58, 0xAF},  // TA + VIRAMA + TA
    {0x58, kViramaGlyph, 0x59, 0xB0},  // TA + VIRAMA + THA
    {0x5A, kViramaGlyph, 0x5A, 0xB1},  // DA + VIRAMA + DA
    {0x5A, kViramaGlyph, 0x5B, 0xB2},  // DA + VIRAMA + DHA
    {0x5C, kViramaGlyph, 0x21, 0xB3},  // NA + VIRAMA + ZWJ
    {0x5C, kViramaGlyph, 0x58, 0xB4},  // NA + VIRAMA + TA
    {0x5C, kViramaGlyph, 0x5A, 0xB5},  // NA + VIRAMA + DA
    {0x5C, kViramaGlyph, 0x5C, 0xB6},  // NA + VIRAMA + NA
    {0x5C, kViramaGlyph, 0x61, 0xB7},  // NA + VIRAMA + MA
    {0x5D, kViramaGlyph, 0x5D, 0xB8},  // PA + VIRAMA + PA
    {0x5D, kViramaGlyph, 0x65, 0xB9},  // PA + VIRAMA + LA
    {0x5F, kViramaGlyph, 0x5F, 0xBA},  // BA + VIRAMA + BA
    {0x5F, kViramaGlyph, 0x65, 0xBB},  // BA + VIRAMA + LA
    {0x61, kViramaGlyph, 0x5D, 0xBC},  // MA + VIRAMA + PA
    {0x61, kViramaGlyph, 0x61, 0xBD},  // MA + VIRAMA + MA
    {0x61, kViramaGlyph, 0x65, 0xBE},  // MA + VIRAMA + LA
    {0x62, kViramaGlyph, 0x62, 0xBF},  // YA + VIRAMA + YA
    {0x63, kViramaGlyph, 0x21, 0xC0},  // RA + VIRAMA + ZWJ
    {0x65, kViramaGlyph, 0x21, 0xC2},  // LA + VIRAMA + ZWJ
    {0x65, kViramaGlyph, 0x65, 0xC3},  // LA + VIRAMA + LA
    {0x66, kViramaGlyph, 0x21, 0xC4},  // LLA + VIRAMA + ZWJ
    {0x66, kViramaGlyph, 0x66, 0xC5},  // LLA + VIRAMA + LLA
    {0x68, kViramaGlyph, 0x68, 0xC6},  // VA + VIRAMA + VA
    {0x69, kViramaGlyph, 0x65, 0xC7},  // SHA + VIRAMA + LA
    {0x69, kViramaGlyph, 0x69, 0xC8},  // SHA + VIRAMA + SHA
    {0x6B, kViramaGlyph, 0x65, 0xC9},  // SA + VIRAMA + LA
    {0x6B, kViramaGlyph, 0x6B, 0xCA},  // SA + VIRAMA + SA
    {0x6C, kViramaGlyph, 0x65, 0xCB},  // HA + VIRAMA + LA
    {0x55, kViramaGlyph, 0x55, 0xCD},  // DDA + VIRAMA + DDA
    {0x49, kViramaGlyph, 0x53, 0xCE},  // KA + VIRAMA + TTA
    {0x5F, kViramaGlyph, 0x5B, 0xCF},  // BA + VIRAMA + DHA
    {0x5F, kViramaGlyph, 0x5A, 0xD0},  // BA + VIRAMA + DA
    {0x4E, kViramaGlyph, 0x4F, 0xD1},  // CA + VIRAMA + CHA
    {0x6C, kViramaGlyph, 0x61, 0xD2},  // HA + VIRAMA + MA
    {0x6C, kViramaGlyph, 0x5C, 0xD3},  // HA + VIRAMA + NA
    {0x5C, kViramaGlyph, 0x5B, 0xD4},  // NA + VIRAMA + DHA
    {0x58, kViramaGlyph, 0x6B, 0xD5},  // TA + VIRAMA + SA
    {0x50, kViramaGlyph, 0x50, 0xD6},  // JA + VIRAMA + JA
    {0x57, kViramaGlyph, 0x61, 0xD7},  // NNA + VIRAMA + MA
    {0x6B, kViramaGlyph, 0x59, 0xD8},  // SA + VIRAMA + THA
    {0x5C, kViramaGlyph, 0x59, 0xD9},  // NA + VIRAMA + THA
    {0x50, kViramaGlyph, 0x52, 0xDA},  // JA + VIRAMA + NYA
    {0x58, kViramaGlyph, 0x60, 0xDB},  // TA + VIRAMA + BHA
    {0x4B, kViramaGlyph, 0x61, 0xDC},  // GA + VIRAMA + MA
    {0x69, kViramaGlyph, 0x4E, 0xDD},  // SHA + VIRAMA + CA
    {0x57, kViramaGlyph, 0x55, 0xDE},  // NNA + VIRAMA + DDA
    {0x58, kViramaGlyph, 0x61, 0xDF},  // TA + VIRAMA + MA
    {0x49, kViramaGlyph, 0x58, 0xE0},  // KA + VIRAMA + TA
    {0xB3, kViramaGlyph, 0x64, 0xE2},  // chillu N + VIRAMA + RRA: the one ligature that is
                                       // a SecondLast, same code as NA + VIRAMA + RRA
    {0x6A, kViramaGlyph, 0x53, 0xE3},  // SSA + VIRAMA + TTA
    {0x64, kViramaGlyph, 0x64, 0xE4},  // RRA + VIRAMA + RRA
};

inline constexpr std::size_t kConjunctRowCount = std::size(ConjunctTable);

namespace detail {

// Row number + 1 for each (SecondLast, Glyph) pair of one-unit glyph codes; 0 where no row is.
using ConjunctIndex = std::array<std::uint8_t, 256 * 256>;

constexpr ConjunctIndex BuildConjunctIndex() {
  ConjunctIndex index{};
  for (std::size_t row = kConjunctRowCount; row-- > 0;) {
    const ConjunctRule& rule = ConjunctTable[row];
    index[rule.SecondLast * 256u + rule.Glyph[0]] = static_cast<std::uint8_t>(row + 1);
  }
  return index;
}

constexpr bool ConjunctPairsAreUnique() {
  for (std::size_t a = 0; a < kConjunctRowCount; ++a)
    for (std::size_t b = a + 1; b < kConjunctRowCount; ++b)
      if (ConjunctTable[a].SecondLast == ConjunctTable[b].SecondLast &&
          ConjunctTable[a].Glyph == ConjunctTable[b].Glyph)
        return false;
  return true;
}

constexpr bool ConjunctRowsAreWellFormed() {
  for (const ConjunctRule& rule : ConjunctTable) {
    if (rule.Last != kViramaGlyph || rule.Glyph.size() != 1 || rule.Glyph[0] > 0xFF) return false;
    if (rule.Ligature < 0xA1 || rule.Ligature > 0xE4) return false;
    // RA never fuses here: a consonant, the virama and RA are left for the RA sign.
    if (rule.Glyph[0] == 0x63) return false;
  }
  return true;
}

// Each code of 0xA1..0xE4 is the ligature of exactly one row, but 0xE2 (two rows: NA + RRA, with
// and without the joiner) and 0xC1, 0xCC, 0xE1 (none); 0xB3 alone is also a SecondLast.
constexpr bool LigatureCodesAreAsDesigned() {
  for (unsigned code = 0xA1; code <= 0xE4; ++code) {
    int uses = 0;
    for (const ConjunctRule& rule : ConjunctTable) uses += rule.Ligature == code ? 1 : 0;
    const int expected = code == 0xE2 ? 2 : (code == 0xC1 || code == 0xCC || code == 0xE1) ? 0 : 1;
    if (uses != expected) return false;
  }
  for (const ConjunctRule& rule : ConjunctTable)
    if (rule.SecondLast >= 0xA1 && rule.SecondLast != 0xB3) return false;
  return true;
}

}  // namespace detail

static_assert(kConjunctRowCount == 66);
static_assert(detail::LigatureCodesAreAsDesigned());
static_assert(detail::ConjunctPairsAreUnique(), "at most one row may match any state");
static_assert(detail::ConjunctRowsAreWellFormed());

inline constexpr detail::ConjunctIndex kConjunctIndex = detail::BuildConjunctIndex();

}  // namespace lipimattam
