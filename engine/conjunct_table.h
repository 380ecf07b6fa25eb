// The conjunct table: a consonant, the virama and a second consonant (or the zero width
// joiner) that fuse into one ligature code of the font.
//
// The rows are written in code points; the glyph codes the stage compares (ConjunctTable) are
// derived from them through the code-unit map at compile time. A new conjunct is one row here
// and its golden case in tests/convert_test.cpp (kConjunctCases), which a test checks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/glyph_map.h"
#include "engine/glyph_string.h"
#include "engine/sign_rules.h"

namespace lipimattam {

// A cluster and its ligature: the letter before the virama, the letter after it (ZWJ for a
// chillu), and the code that takes the place of all three.
struct ConjunctRow {
  char16_t first;
  char16_t second;
  GlyphCode ligature;
};

// Tried from the first row on; no two rows have the same letters, so at most one matches.
inline constexpr ConjunctRow kConjunctRows[] = {
    {u'\u0D15', u'\u0D15', 0xA1},  // ക്ക KA+KA
    {u'\u0D28', u'\u0D31', 0xE2},  // ന്റ NA+RRA
    {u'\u0D15', u'\u0D32', 0xA2},  // ക്ല KA+LA
    {u'\u0D15', u'\u0D37', 0xA3},  // ക്ഷ KA+SSA
    {u'\u0D17', u'\u0D17', 0xA4},  // ഗ്ഗ GA+GA
    {u'\u0D17', u'\u0D32', 0xA5},  // ഗ്ല GA+LA
    {u'\u0D19', u'\u0D15', 0xA6},  // ങ്ക NGA+KA
    {u'\u0D19', u'\u0D19', 0xA7},  // ങ്ങ NGA+NGA
    {u'\u0D1A', u'\u0D1A', 0xA8},  // ച്ച CA+CA
    {u'\u0D1E', u'\u0D1A', 0xA9},  // ഞ്ച NYA+CA
    {u'\u0D1E', u'\u0D1E', 0xAA},  // ഞ്ഞ NYA+NYA
    {u'\u0D1F', u'\u0D1F', 0xAB},  // ട്ട TTA+TTA
    {u'\u0D23', u'\u200D', 0xAC},  // ൺ NNA+ZWJ, chillu NN
    {u'\u0D23', u'\u0D1F', 0xAD},  // ണ്ട NNA+TTA
    {u'\u0D23', u'\u0D23', 0xAE},  // ണ്ണ NNA+NNA
    {u'\u0D24', u'\u0D24', 0xAF},  // ത്ത TA+TA
    {u'\u0D24', u'\u0D25', 0xB0},  // ത്ഥ TA+THA
    {u'\u0D26', u'\u0D26', 0xB1},  // ദ്ദ DA+DA
    {u'\u0D26', u'\u0D27', 0xB2},  // ദ്ധ DA+DHA
    {u'\u0D28', u'\u200D', 0xB3},  // ൻ NA+ZWJ, chillu N
    {u'\u0D28', u'\u0D24', 0xB4},  // ന്ത NA+TA
    {u'\u0D28', u'\u0D26', 0xB5},  // ന്ദ NA+DA
    {u'\u0D28', u'\u0D28', 0xB6},  // ന്ന NA+NA
    {u'\u0D28', u'\u0D2E', 0xB7},  // ന്മ NA+MA
    {u'\u0D2A', u'\u0D2A', 0xB8},  // പ്പ PA+PA
    {u'\u0D2A', u'\u0D32', 0xB9},  // പ്ല PA+LA
    {u'\u0D2C', u'\u0D2C', 0xBA},  // ബ്ബ BA+BA
    {u'\u0D2C', u'\u0D32', 0xBB},  // ബ്ല BA+LA
    {u'\u0D2E', u'\u0D2A', 0xBC},  // മ്പ MA+PA
    {u'\u0D2E', u'\u0D2E', 0xBD},  // മ്മ MA+MA
    {u'\u0D2E', u'\u0D32', 0xBE},  // മ്ല MA+LA
    {u'\u0D2F', u'\u0D2F', 0xBF},  // യ്യ YA+YA
    {u'\u0D30', u'\u200D', 0xC0},  // ർ RA+ZWJ, chillu RR
    {u'\u0D32', u'\u200D', 0xC2},  // ൽ LA+ZWJ, chillu L
    {u'\u0D32', u'\u0D32', 0xC3},  // ല്ല LA+LA
    {u'\u0D33', u'\u200D', 0xC4},  // ൾ LLA+ZWJ, chillu LL
    {u'\u0D33', u'\u0D33', 0xC5},  // ള്ള LLA+LLA
    {u'\u0D35', u'\u0D35', 0xC6},  // വ്വ VA+VA
    {u'\u0D36', u'\u0D32', 0xC7},  // ശ്ല SHA+LA
    {u'\u0D36', u'\u0D36', 0xC8},  // ശ്ശ SHA+SHA
    {u'\u0D38', u'\u0D32', 0xC9},  // സ്ല SA+LA
    {u'\u0D38', u'\u0D38', 0xCA},  // സ്സ SA+SA
    {u'\u0D39', u'\u0D32', 0xCB},  // ഹ്ല HA+LA
    {u'\u0D21', u'\u0D21', 0xCD},  // ഡ്ഡ DDA+DDA
    {u'\u0D15', u'\u0D1F', 0xCE},  // ക്ട KA+TTA
    {u'\u0D2C', u'\u0D27', 0xCF},  // ബ്ധ BA+DHA
    {u'\u0D2C', u'\u0D26', 0xD0},  // ബ്ദ BA+DA
    {u'\u0D1A', u'\u0D1B', 0xD1},  // ച്ഛ CA+CHA
    {u'\u0D39', u'\u0D2E', 0xD2},  // ഹ്മ HA+MA
    {u'\u0D39', u'\u0D28', 0xD3},  // ഹ്ന HA+NA
    {u'\u0D28', u'\u0D27', 0xD4},  // ന്ധ NA+DHA
    {u'\u0D24', u'\u0D38', 0xD5},  // ത്സ TA+SA
    {u'\u0D1C', u'\u0D1C', 0xD6},  // ജ്ജ JA+JA
    {u'\u0D23', u'\u0D2E', 0xD7},  // ണ്മ NNA+MA
    {u'\u0D38', u'\u0D25', 0xD8},  // സ്ഥ SA+THA
    {u'\u0D28', u'\u0D25', 0xD9},  // ന്ഥ NA+THA
    {u'\u0D1C', u'\u0D1E', 0xDA},  // ജ്ഞ JA+NYA
    {u'\u0D24', u'\u0D2D', 0xDB},  // ത്ഭ TA+BHA
    {u'\u0D17', u'\u0D2E', 0xDC},  // ഗ്മ GA+MA
    {u'\u0D36', u'\u0D1A', 0xDD},  // ശ്ച SHA+CA
    {u'\u0D23', u'\u0D21', 0xDE},  // ണ്ഡ NNA+DDA
    {u'\u0D24', u'\u0D2E', 0xDF},  // ത്മ TA+MA
    {u'\u0D15', u'\u0D24', 0xE0},  // ക്ത KA+TA
    {u'\u0D7B', u'\u0D31', 0xE2},  // ൻ്റ chillu N+RRA: U+0D7B has the code NA+ZWJ makes
    {u'\u0D37', u'\u0D1F', 0xE3},  // ഷ്ട SSA+TTA
    {u'\u0D31', u'\u0D31', 0xE4},  // റ്റ RRA+RRA
};

inline constexpr std::size_t kConjunctRowCount = std::size(kConjunctRows);

// One row of the stage as the engine compares it: the last two units of the output, the glyph
// string in hand, and the ligature.
struct ConjunctRule {
  GlyphCode SecondLast;  // second-last unit of the output
  GlyphCode Last;        // last unit of the output: the virama in every row
  GlyphString Glyph;     // what the glyph in hand must equal as a whole
  GlyphCode Ligature;    // the one code that replaces all three
};

namespace detail {

// The one glyph code a letter of a row maps to, or 0 when it maps to none or several.
constexpr GlyphCode OneGlyphCode(char16_t letter) {
  const GlyphString glyphs = MapCodeUnit(letter);
  return glyphs.size() == 1 && glyphs[0] <= 0xFF ? static_cast<GlyphCode>(glyphs[0]) : 0;
}

constexpr std::array<ConjunctRule, kConjunctRowCount> BuildConjunctTable() {
  std::array<ConjunctRule, kConjunctRowCount> table{};
  for (std::size_t row = 0; row < kConjunctRowCount; ++row) {
    const ConjunctRow& cluster = kConjunctRows[row];
    table[row] = {OneGlyphCode(cluster.first), kViramaGlyph,
                  GlyphString(char16_t{OneGlyphCode(cluster.second)}), cluster.ligature};
  }
  return table;
}

}  // namespace detail

inline constexpr std::array<ConjunctRule, kConjunctRowCount> ConjunctTable =
    detail::BuildConjunctTable();

namespace detail {

// Row number + 1 for each (SecondLast, Glyph) pair of one-unit glyph codes; 0 where no row is.
using ConjunctIndex = std::array<std::uint8_t, std::size_t{256} * 256>;

constexpr ConjunctIndex BuildConjunctIndex() {
  ConjunctIndex index{};
  for (std::size_t row = kConjunctRowCount; row-- > 0;) {
    const ConjunctRule& rule = ConjunctTable[row];
    index[rule.SecondLast * 256u + rule.Glyph[0]] = static_cast<std::uint8_t>(row + 1);
  }
  return index;
}

constexpr bool LettersHaveOneCode() {
  for (const ConjunctRule& rule : ConjunctTable)
    if (rule.SecondLast == 0 || rule.Glyph[0] == 0) return false;
  return true;
}

constexpr bool ConjunctPairsAreUnique() {
  for (std::size_t a = 0; a < kConjunctRowCount; ++a)
    for (std::size_t b = a + 1; b < kConjunctRowCount; ++b)
      if (ConjunctTable[a].SecondLast == ConjunctTable[b].SecondLast &&
          ConjunctTable[a].Glyph == ConjunctTable[b].Glyph)
        return false;
  return true;
}

constexpr bool LigaturesAreLigatureCodes() {
  for (const ConjunctRule& rule : ConjunctTable)
    if (rule.Ligature < 0xA1 || rule.Ligature > 0xE4) return false;
  return true;
}

constexpr bool RaNeverFuses() {
  for (const ConjunctRule& rule : ConjunctTable)
    if (rule.Glyph[0] == OneGlyphCode(u'\u0D30')) return false;
  return true;
}

// The consonant of a chillu code: the first letter of the row that makes the code from a
// consonant and ZWJ; 0 for any other code.
constexpr char16_t ConsonantOfChillu(GlyphCode code) {
  for (const ConjunctRow& row : kConjunctRows)
    if (row.second == kZeroWidthJoiner && row.ligature == code) return row.first;
  return 0;
}

// Two rows share a ligature code only as a chillu's row does with its consonant's:
// ൻ്റ (chillu N + RRA) with ന്റ (NA + RRA).
constexpr bool LigatureCodesAreOwnedOnce() {
  for (const ConjunctRow& a : kConjunctRows) {
    for (const ConjunctRow& b : kConjunctRows) {
      if (&a == &b || a.ligature != b.ligature) continue;
      const bool a_is_chillu_of_b = a.second == b.second && a.first != b.first &&
                                    ConsonantOfChillu(OneGlyphCode(a.first)) == b.first;
      const bool b_is_chillu_of_a = a.second == b.second && a.first != b.first &&
                                    ConsonantOfChillu(OneGlyphCode(b.first)) == a.first;
      if (!a_is_chillu_of_b && !b_is_chillu_of_a) return false;
    }
  }
  return true;
}

// Whether some row, letter of the map or fix-up makes the code.
constexpr bool IsMade(GlyphCode code) {
  for (const ConjunctRow& row : kConjunctRows)
    if (row.ligature == code) return true;
  for (const GlyphMapRow& row : kGlyphMap)
    for (std::size_t i = 0; i < row.glyphs.size(); ++i)
      if (row.glyphs[i] == code) return true;
  for (const FixupReplacement& fixup : FixupReplacements)
    for (const char16_t unit : fixup.replace)
      if (unit == code) return true;
  return false;
}

constexpr std::size_t CountFreeLigatureCodes() {
  std::size_t count = 0;
  for (unsigned code = 0xA1; code <= 0xE4; ++code)
    if (!IsMade(static_cast<GlyphCode>(code))) ++count;
  return count;
}

template <std::size_t N>
constexpr std::array<GlyphCode, N> ListFreeLigatureCodes() {
  std::array<GlyphCode, N> codes{};
  std::size_t at = 0;
  for (unsigned code = 0xA1; code <= 0xE4; ++code)
    if (!IsMade(static_cast<GlyphCode>(code))) codes[at++] = static_cast<GlyphCode>(code);
  return codes;
}

}  // namespace detail

static_assert(detail::LettersHaveOneCode(),
              "each letter of a row in kConjunctRows must have one glyph code in kGlyphMap: a "
              "consonant, ZWJ, or a chillu letter whose code another row makes");
static_assert(detail::ConjunctPairsAreUnique(),
              "two rows of kConjunctRows have the same letters: keep one of them");
static_assert(
    detail::LigaturesAreLigatureCodes(),
    "a ligature of kConjunctRows lies outside 0xA1..0xE4, where the font's ligatures are");
static_assert(detail::RaNeverFuses(),
              "RA may not be the second letter of a row: a consonant, the virama and RA make the "
              "RA sign");
static_assert(detail::LigatureCodesAreOwnedOnce(),
              "two rows of kConjunctRows give the same ligature code: give the new row a free "
              "code (kFreeLigatureCodes)");

inline constexpr detail::ConjunctIndex kConjunctIndex = detail::BuildConjunctIndex();

// The codes among the font's ligature codes (0xA1..0xE4) that the encoding leaves without
// meaning: no row, no letter of the map and no fix-up makes them. A new conjunct takes one.
inline constexpr std::array<GlyphCode, detail::CountFreeLigatureCodes()> kFreeLigatureCodes =
    detail::ListFreeLigatureCodes<detail::CountFreeLigatureCodes()>();

}  // namespace lipimattam
