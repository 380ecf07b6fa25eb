#include <lipimattam/convert.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "engine/conjunct_table.h"
#include "engine/glyph_map.h"
#include "tests/test_text.h"

namespace lipimattam {
namespace {

using namespace lipimattam::testing;  // NOLINT(google-build-using-namespace): letter names

struct Golden {
  const char* what;         // also the test's name
  std::u16string input;     // code points
  std::u16string expected;  // glyph codes (and units the font has no glyph for)
};

void PrintTo(const Golden& golden, std::ostream* os) {
  *os << golden.what;
}

class ConvertTextGolden : public ::testing::TestWithParam<Golden> {};

TEST_P(ConvertTextGolden, GivesTheGlyphCodes) {
  const Golden& g = GetParam();
  const std::u16string output = ConvertText(g.input);
  EXPECT_EQ(output, g.expected) << g.what << "\n  input    " << Hex(g.input) << "\n  got      "
                                << Hex(output) << "\n  expected " << Hex(g.expected);
}

INSTANTIATE_TEST_SUITE_P(
    LetterByLetter, ConvertTextGolden,
    ::testing::Values(
        Golden{"empty input", u"", u""},
        Golden{"Latin text and CR LF pass through", u"Hello, World\r\n", u"Hello, World\r\n"},
        Golden{"units below 0x100 are glyph codes", Units({0xE4, 0xA1}), Units({0xE4, 0xA1})},
        Golden{"passed-through kv\u00E4 joins", u"kv\u00E4", Units({0xCC})},
        Golden{"passed-through text meets the tail repair", u"city", u"ctiy"},
        Golden{"a consonant", Units({kKa}), u"I"}, Golden{"two-code vowel", Units({kIi}), u"Cu"},
        Golden{"digits", Units({0x0D66, 0x0D69, 0x0D6F}), u"039"},
        Golden{"anusvara and visarga", Units({kKa, 0x0D02, kKa, 0x0D03}), u"IwIx"},
        Golden{"unknown BMP characters are copied", Units({u'x', 0x2018, u'y'}),
               Units({u'x', 0x2018, u'y'})},
        Golden{"Malayalam code points without a row are copied", Units({0x0D01, 0x0D29, 0x0D44}),
               Units({0x0D01, 0x0D29, 0x0D44})},
        Golden{"post-base sign alone", Units({kSignAa}), u"m"},
        Golden{"consonant and AA sign", Units({kMa, kSignAa}), u"am"}),
    NameFromWhat());

INSTANTIATE_TEST_SUITE_P(
    Conjuncts, ConvertTextGolden,
    ::testing::Values(
        Golden{"KA KA without virama", Units({kKa, kKa}), u"II"},
        Golden{"a ligature takes no further virama", Units({kKa, kVirama, kKa, kVirama, kKa}),
               Units({0xA1, 0x76, 0x49})},
        Golden{"chillu N", Units({kNa, kVirama, kZwj}), Units({0xB3})},
        Golden{"chillu N, virama, RRA", Units({kNa, kVirama, kZwj, kVirama, kRra}), Units({0xE2})},
        Golden{"chillu NN", Units({kNna, kVirama, kZwj}), Units({0xAC})},
        Golden{"chillu RR", Units({kRa, kVirama, kZwj}), Units({0xC0})},
        Golden{"chillu L", Units({kLa, kVirama, kZwj}), Units({0xC2})},
        Golden{"chillu LL", Units({kLla, kVirama, kZwj}), Units({0xC4})},
        Golden{"KA has no chillu row", Units({kKa, kVirama, kZwj}), u"Iv!"},
        Golden{"the non-joiner makes no chillu", Units({kNa, kVirama, kZwnj}),
               Units({0x5C, 0x76, 0x2D})},
        Golden{"YA sign after a ligature", Units({kKa, kVirama, kKa, kVirama, kYa}),
               Units({0xA1, 0x79})},
        Golden{"VA sign after a ligature", Units({kKa, kVirama, kKa, kVirama, kVa}),
               Units({0xA1, 0x7A})},
        Golden{"E sign before a ligature", Units({kKa, kVirama, kKa, kSignE}), Units({0x73, 0xA1})},
        Golden{"SA + RRA-RRA ligature", Units({kSa, kVirama, kRra, kVirama, kRra}), Units({0xCC})},
        Golden{"E sign keeps SA and the RRA ligature apart",
               Units({kSa, kVirama, kRra, kVirama, kRra, kSignE}), Units({0x6B, 0x76, 0x73, 0xE4})},
        Golden{"passed-through I and v fuse with KA", Units({u'I', u'v', kKa}), Units({0xA1})},
        Golden{"a passed-through I does not fuse", u"IvI", u"IvI"}),
    NameFromWhat());

INSTANTIATE_TEST_SUITE_P(
    SignPlacement, ConvertTextGolden,
    ::testing::Values(
        Golden{"E sign", Units({kKa, kSignE}), u"sI"},
        Golden{"RA sign with E sign", Units({kKa, kVirama, kRa, kSignE}), u"s{I"},
        Golden{"YA sign with EE sign", Units({kKa, kVirama, kYa, kSignEe}), u"tIy"},
        Golden{"O sign wraps", Units({kKa, kSignO}), u"sIm"},
        Golden{"AI sign", Units({kKa, kSignAi}), u"ssI"},
        Golden{"OO sign", Units({kKa, kSignOo}), u"tIm"},
        Golden{"AU sign", Units({kKa, kSignAu}), u"sIu"},
        Golden{"VA sign", Units({kKa, kVirama, kVa}), u"Iz"},
        Golden{"VA sign with E sign", Units({kKa, kVirama, kVa, kSignE}), u"sIz"},
        Golden{"vocalic R with E sign", Units({kKa, kSignVocalicR, kSignE}), u"sIr"},
        Golden{"vocalic R with EE sign", Units({kKa, kSignVocalicR, kSignEe}), u"tIr"},
        Golden{"YA sign with AI sign", Units({kKa, kVirama, kYa, kSignAi}), u"ssIy"},
        Golden{"YA sign with O sign", Units({kKa, kVirama, kYa, kSignO}), u"sIym"},
        Golden{"RA sign with EE sign", Units({kKa, kVirama, kRa, kSignEe}), u"t{I"},
        Golden{"RA sign with O sign", Units({kKa, kVirama, kRa, kSignO}), u"s{Im"},
        Golden{"RA sign with AU sign", Units({kKa, kVirama, kRa, kSignAu}), u"s{Iu"},
        Golden{"RA and YA signs with E sign", Units({kKa, kVirama, kRa, kVirama, kYa, kSignE}),
               u"s{Iy"},
        Golden{"virama at the start stays", Units({kVirama, kYa}), u"vb"},
        Golden{"the unit before the virama is not tested", Units({u' ', kVirama, kYa}), u" y"},
        Golden{"passed-through Iv and YA", Units({u'I', u'v', kYa}), u"Iy"},
        Golden{"YA VIRAMA YA is a ligature first", Units({kKa, kYa, kVirama, kYa}),
               Units({0x49, 0xBF})},
        Golden{"VA VIRAMA VA is a ligature", Units({kVa, kVirama, kVa}), Units({0xC6})},
        Golden{"E sign goes before any last unit", Units({u'a', u'b', kSignE}), u"asb"},
        Golden{"E sign before a space", Units({u' ', kSignE}), u"s "},
        Golden{"E sign after a two-code vowel", Units({kIi, kSignE}), u"Csu"}),
    NameFromWhat());

// Every pair of the tail repair and every final fix-up, reached from Malayalam, then from
// passed-through Latin text, which takes part like the glyph codes of the same value.
INSTANTIATE_TEST_SUITE_P(
    TailRepairAndFixups, ConvertTextGolden,
    ::testing::Values(
        Golden{"pair t y: KA, virama, YA, EE sign", Units({kKa, kVirama, kYa, kSignEe}), u"tIy"},
        Golden{"pair s y: KA, virama, YA, E sign", Units({kKa, kVirama, kYa, kSignE}), u"sIy"},
        Golden{"pair t z: KA, virama, VA, EE sign", Units({kKa, kVirama, kVa, kSignEe}), u"tIz"},
        Golden{"pair s z: KA, virama, VA, E sign", Units({kKa, kVirama, kVa, kSignE}), u"sIz"},
        Golden{"pair t r: KA, vocalic R sign, EE sign", Units({kKa, kSignVocalicR, kSignEe}),
               u"tIr"},
        Golden{"pair s r: KA, vocalic R sign, E sign", Units({kKa, kSignVocalicR, kSignE}), u"sIr"},
        Golden{"fix-up RA sign, AI: KA, virama, RA, AI sign", Units({kKa, kVirama, kRa, kSignAi}),
               u"ss{I"},
        Golden{"fix-up RA sign, E: KA, virama, RA, E sign", Units({kKa, kVirama, kRa, kSignE}),
               u"s{I"},
        Golden{"fix-up RA sign, EE: KA, virama, RA, EE sign", Units({kKa, kVirama, kRa, kSignEe}),
               u"t{I"},
        Golden{"fix-up SA ligature: SA, virama, RRA, virama, RRA",
               Units({kSa, kVirama, kRra, kVirama, kRra}), Units({0xCC})},
        Golden{"Latin tsy", u"tsy", u"sty"}, Golden{"Latin sty", u"sty", u"sty"},
        Golden{"Latin str", u"str", u"str"}, Golden{"Latin atsr", u"atsr", u"astr"},
        Golden{"Latin brace st", u"{st", u"st{"}, Golden{"Latin brace ts", u"{ts", u"t{s"},
        Golden{"Latin brace brace s", u"{{s", u"{s{"}, Golden{"Latin brace ss", u"{ss", u"ss{"},
        Golden{"Latin kv a umlaut twice", u"kv\u00E4kv\u00E4", Units({0xCC, 0xCC})}),
    NameFromWhat());

// Two-part signs are placed as their two simple signs, each followed by the tail repair, so
// the pre-base half goes in front of the consonant and its YA, VA or vocalic R sign.
INSTANTIATE_TEST_SUITE_P(
    TwoPartSigns, ConvertTextGolden,
    ::testing::Values(
        Golden{"KA, YA sign, AI", Units({kKa, kVirama, kYa, kSignAi}), u"ssIy"},
        Golden{"KA, YA sign, O", Units({kKa, kVirama, kYa, kSignO}), u"sIym"},
        Golden{"KA, YA sign, OO", Units({kKa, kVirama, kYa, kSignOo}), u"tIym"},
        Golden{"KA, YA sign, AU", Units({kKa, kVirama, kYa, kSignAu}), u"sIyu"},
        Golden{"KA, YA sign, E is unchanged", Units({kKa, kVirama, kYa, kSignE}), u"sIy"},
        Golden{"KA, VA sign, AI", Units({kKa, kVirama, kVa, kSignAi}), u"ssIz"},
        Golden{"KA, VA sign, OO", Units({kKa, kVirama, kVa, kSignOo}), u"tIzm"},
        Golden{"KA, RA and YA signs, AI", Units({kKa, kVirama, kRa, kVirama, kYa, kSignAi}),
               u"ss{Iy"},
        Golden{"KA, RA and YA signs, OO", Units({kKa, kVirama, kRa, kVirama, kYa, kSignOo}),
               u"t{Iym"},
        Golden{"KA, vocalic R sign, O", Units({kKa, kSignVocalicR, kSignO}), u"sIrm"},
        Golden{"udyogasthan, officer",
               Units({0x0D09, kDa, kVirama, kYa, kSignOo, kGa, kSa, kVirama, kTha, kChilluN}),
               Units({u'D', u't', u'Z', u'y', u'm', u'K', 0xD8, 0xB3})},
        Golden{"dvaitam", Units({kDa, kVirama, kVa, kSignAi, kTa, 0x0D02}), u"ssZzXw"},
        Golden{"NTA ligature, YA sign, OO", Units({kNa, kVirama, kTa, kVirama, kYa, kSignOo}),
               Units({0x74, 0xB4, 0x79, 0x6D})},
        Golden{"O as E and AA gives the same", Units({kKa, kVirama, kYa, kSignE, kSignAa}),
               u"sIym"},
        Golden{"OO as EE and AA gives the same", Units({kDa, kVirama, kYa, kSignEe, kSignAa}),
               u"tZym"},
        Golden{"AU as E and length mark gives the same",
               Units({kKa, kVirama, kYa, kSignE, kAuLengthMark}), u"sIyu"}),
    NameFromWhat());

// The RA sign is carried across a YA, VA or vocalic R sign as a pre-base vowel sign is: the
// older spelling with the YA sign typed first gives the same codes as the other.
INSTANTIATE_TEST_SUITE_P(
    RaSignAfterYaOrVaSign, ConvertTextGolden,
    ::testing::Values(
        Golden{"svatantryam, YA sign typed first",
               Units({kSa, kVirama, kVa, kSignAa, kTa, kNa, kVirama, kTa, kVirama, kYa, kVirama,
                      kRa, 0x0D02}),
               Units({u'k', u'z', u'm', u'X', u'{', 0xB4, u'y', u'w'})},
        Golden{"svatantryam, RA sign typed first",
               Units({kSa, kVirama, kVa, kSignAa, kTa, kNa, kVirama, kTa, kVirama, kRa, kVirama,
                      kYa, 0x0D02}),
               Units({u'k', u'z', u'm', u'X', u'{', 0xB4, u'y', u'w'})},
        Golden{"KA, VA sign, RA sign", Units({kKa, kVirama, kVa, kVirama, kRa}), u"{Iz"},
        Golden{"KA, vocalic R sign, RA sign", Units({kKa, kSignVocalicR, kVirama, kRa}), u"{Ir"},
        Golden{"KA, YA sign, RA sign, E", Units({kKa, kVirama, kYa, kVirama, kRa, kSignE}),
               u"s{Iy"},
        Golden{"a passed-through y counts", Units({u'I', u'y', kVirama, kRa}), u"{Iy"},
        Golden{"a surrogate pair moves whole", Units({kEmojiHigh, kEmojiLow, u'y', kVirama, kRa}),
               Units({u'{', kEmojiHigh, kEmojiLow, u'y'})},
        Golden{"with nothing before the sign", Units({u'y', kVirama, kRa}), u"{y"},
        Golden{"a line break is not moved", Units({u'\n', u'y', kVirama, kRa}), u"\n{y"}),
    NameFromWhat());

// A line break is where the output begins for every rule: nothing jumps in front of it and no
// rule reaches back across it, while a space stays an ordinary unit.
INSTANTIATE_TEST_SUITE_P(
    LineBreaks, ConvertTextGolden,
    ::testing::Values(
        Golden{"E sign after CR LF", Units({kKa, u'\r', u'\n', kSignE}), u"I\r\ns"},
        Golden{"RA sign after CR LF", Units({kKa, u'\r', u'\n', kVirama, kRa}), u"I\r\nvc"},
        Golden{"YA sign after LF", Units({kKa, u'\n', kVirama, kYa}), u"I\nvb"},
        Golden{"O sign after a lone CR", Units({kKa, u'\r', kSignO}), u"I\rsm"},
        Golden{"AI sign after a line separator", Units({kKa, 0x2028, kSignAi}),
               Units({u'I', 0x2028, u's', u's'})},
        Golden{"EE sign after a paragraph separator", Units({kKa, 0x2029, kSignEe}),
               Units({u'I', 0x2029, u't'})},
        Golden{"the E sign then goes in front of the next letter", Units({kKa, u'\n', kSignE, kKa}),
               u"I\nsI"},
        Golden{"no conjunct across a line break", Units({kKa, kVirama, u'\n', kKa}), u"Iv\nI"},
        Golden{"no tail repair across a line break", u"Is\ny", u"Is\ny"},
        Golden{"a sign after a space still goes in front of it", Units({kKa, u' ', kSignE}),
               u"Is "}),
    NameFromWhat());

// Every row of the code-unit map, alone: what the font's encoding writes for each letter,
// sign and digit, written out here rather than taken from the engine's table.
struct MapRow {
  char16_t code_point;
  const char16_t* glyphs;
};

constexpr MapRow kMapRows[] = {
    {0x0D02, u"w"},       // SIGN ANUSVARA
    {0x0D03, u"x"},       // SIGN VISARGA
    {0x0D05, u"A"},       // A
    {0x0D06, u"B"},       // AA
    {0x0D07, u"C"},       // I
    {0x0D08, u"Cu"},      // II
    {0x0D09, u"D"},       // U
    {0x0D0A, u"Du"},      // UU
    {0x0D0B, u"E"},       // VOCALIC R
    {0x0D0C, u"\u00C2"},  // VOCALIC L
    {0x0D0E, u"F"},       // E
    {0x0D0F, u"G"},       // EE
    {0x0D10, u"sF"},      // AI
    {0x0D12, u"H"},       // O
    {0x0D13, u"Hm"},      // OO
    {0x0D14, u"Hu"},      // AU
    {0x0D15, u"I"},       // KA
    {0x0D16, u"J"},       // KHA
    {0x0D17, u"K"},       // GA
    {0x0D18, u"L"},       // GHA
    {0x0D19, u"M"},       // NGA
    {0x0D1A, u"N"},       // CA
    {0x0D1B, u"O"},       // CHA
    {0x0D1C, u"P"},       // JA
    {0x0D1D, u"Q"},       // JHA
    {0x0D1E, u"R"},       // NYA
    {0x0D1F, u"S"},       // TTA
    {0x0D20, u"T"},       // TTHA
    {0x0D21, u"U"},       // DDA
    {0x0D22, u"V"},       // DDHA
    {0x0D23, u"W"},       // NNA
    {0x0D24, u"X"},       // TA
    {0x0D25, u"Y"},       // THA
    {0x0D26, u"Z"},       // DA
    {0x0D27, u"["},       // DHA
    {0x0D28, u"\\"},      // NA
    {0x0D2A, u"]"},       // PA
    {0x0D2B, u"^"},       // PHA
    {0x0D2C, u"_"},       // BA
    {0x0D2D, u"`"},       // BHA
    {0x0D2E, u"a"},       // MA
    {0x0D2F, u"b"},       // YA
    {0x0D30, u"c"},       // RA
    {0x0D31, u"d"},       // RRA
    {0x0D32, u"e"},       // LA
    {0x0D33, u"f"},       // LLA
    {0x0D34, u"g"},       // LLLA
    {0x0D35, u"h"},       // VA
    {0x0D36, u"i"},       // SHA
    {0x0D37, u"j"},       // SSA
    {0x0D38, u"k"},       // SA
    {0x0D39, u"l"},       // HA
    {0x0D3E, u"m"},       // VOWEL SIGN AA
    {0x0D3F, u"n"},       // VOWEL SIGN I
    {0x0D40, u"o"},       // VOWEL SIGN II
    {0x0D41, u"p"},       // VOWEL SIGN U
    {0x0D42, u"q"},       // VOWEL SIGN UU
    {0x0D43, u"r"},       // VOWEL SIGN VOCALIC R
    {0x0D46, u"s"},       // VOWEL SIGN E (alone at the start: kept where it stands)
    {0x0D47, u"t"},       // VOWEL SIGN EE
    {0x0D48, u"ss"},      // VOWEL SIGN AI
    {0x0D4A, u"sm"},      // VOWEL SIGN O
    {0x0D4B, u"tm"},      // VOWEL SIGN OO
    {0x0D4C, u"su"},      // VOWEL SIGN AU
    {0x0D4D, u"v"},       // SIGN VIRAMA
    {0x0D57, u"u"},       // AU LENGTH MARK
    {0x0D60, u"\u00C0"},  // VOCALIC RR
    {0x0D61, u"\u00C2"},  // VOCALIC LL
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
    {0x0D7A, u"\u00AC"},  // CHILLU NN, as NNA + virama + ZWJ
    {0x0D7B, u"\u00B3"},  // CHILLU N
    {0x0D7C, u"\u00C0"},  // CHILLU RR
    {0x0D7D, u"\u00C2"},  // CHILLU L
    {0x0D7E, u"\u00C4"},  // CHILLU LL
    {0x0D7F, u"Iv!"},     // CHILLU K: KA has no chillu code
    {0x200C, u"-"},       // ZERO WIDTH NON-JOINER
    {0x200D, u"!"},       // ZERO WIDTH JOINER
};

class ConvertsAlone : public ::testing::TestWithParam<MapRow> {};

TEST_P(ConvertsAlone, ToItsGlyphCodes) {
  const MapRow& row = GetParam();
  const std::u16string input(1, row.code_point);
  EXPECT_EQ(Hex(ConvertText(input)), Hex(row.glyphs)) << "U+" << Hex(input);
}

void PrintTo(const MapRow& row, std::ostream* os) {
  *os << Hex(std::u16string(1, row.code_point)) << " -> " << Hex(row.glyphs);
}

std::string MapRowName(const ::testing::TestParamInfo<MapRow>& row) {
  char name[8];
  std::snprintf(name, sizeof name, "U%04X", static_cast<unsigned>(row.param.code_point));
  return name;  // U0D15
}

INSTANTIATE_TEST_SUITE_P(EveryMapRow, ConvertsAlone, ::testing::ValuesIn(kMapRows), MapRowName);

// A row added to the map without its golden above fails here.
TEST(ConvertsAlone, CoversEveryRowOfTheMap) {
  std::set<char16_t> golden;
  for (const MapRow& row : kMapRows) golden.insert(row.code_point);
  std::set<char16_t> mapped = {kZwnj, kZwj};
  for (const GlyphMapRow& row : kGlyphMap) mapped.insert(row.code_point);
  EXPECT_EQ(golden, mapped);
}

// What users reported: nothing is dropped for its code-unit value, and a surrogate pair that
// a sign is moved across stays whole.
INSTANTIATE_TEST_SUITE_P(
    HighCodeUnitsSurvive, ConvertTextGolden,
    ::testing::Values(
        Golden{"CJK", Units({0x4E2D, 0x6587}), Units({0x4E2D, 0x6587})},
        Golden{"Hangul", Units({0xAC00}), Units({0xAC00})},
        Golden{"BOM and replacement character", Units({0xFEFF, 0xFFFD, 0x8000}),
               Units({0xFEFF, 0xFFFD, 0x8000})},
        Golden{"emoji then x", Units({kEmojiHigh, kEmojiLow, u'x'}),
               Units({kEmojiHigh, kEmojiLow, u'x'})},
        Golden{"E sign goes before the whole pair", Units({kEmojiHigh, kEmojiLow, kSignE}),
               Units({u's', kEmojiHigh, kEmojiLow})},
        Golden{"AI sign goes before the whole pair", Units({kEmojiHigh, kEmojiLow, kSignAi}),
               Units({u's', u's', kEmojiHigh, kEmojiLow})},
        Golden{"O sign wraps the whole pair", Units({kEmojiHigh, kEmojiLow, kSignO}),
               Units({u's', kEmojiHigh, kEmojiLow, u'm'})},
        Golden{"tail repair moves t before the pair", Units({kEmojiHigh, kEmojiLow, u't', u'y'}),
               Units({u't', kEmojiHigh, kEmojiLow, u'y'})},
        Golden{"RA sign goes before the pair", Units({kEmojiHigh, kEmojiLow, kVirama, kRa}),
               Units({u'{', kEmojiHigh, kEmojiLow})},
        Golden{"YA sign follows the pair", Units({kEmojiHigh, kEmojiLow, kVirama, kYa}),
               Units({kEmojiHigh, kEmojiLow, u'y'})},
        Golden{"a lone low half is one unit", Units({0xDC00, kSignE}), Units({u's', 0xDC00})},
        Golden{"a lone high half is one unit", Units({u'a', 0xD800, kSignE}),
               Units({u'a', u's', 0xD800})}),
    NameFromWhat());

INSTANTIATE_TEST_SUITE_P(SignAtTheStartIsKept, ConvertTextGolden,
                         ::testing::Values(Golden{"E sign alone", Units({kSignE}), u"s"},
                                           Golden{"EE sign alone", Units({kSignEe}), u"t"},
                                           Golden{"AI sign alone", Units({kSignAi}), u"ss"},
                                           Golden{"O sign alone", Units({kSignO}), u"sm"},
                                           Golden{"OO sign alone", Units({kSignOo}), u"tm"},
                                           Golden{"AU sign alone", Units({kSignAu}), u"su"},
                                           Golden{"E sign then KA", Units({kSignE, kKa}), u"sI"}),
                         NameFromWhat());

INSTANTIATE_TEST_SUITE_P(
    AtomicChillus, ConvertTextGolden,
    ::testing::Values(Golden{"chillu NN", Units({kChilluNn}), Units({0xAC})},
                      Golden{"chillu N", Units({kChilluN}), Units({0xB3})},
                      Golden{"chillu RR", Units({kChilluRr}), Units({0xC0})},
                      Golden{"chillu L", Units({kChilluL}), Units({0xC2})},
                      Golden{"chillu LL", Units({kChilluLl}), Units({0xC4})},
                      Golden{"chillu K", Units({kChilluK}), Units({0x49, 0x76, 0x21})},
                      Golden{"chillu N, virama, RRA", Units({kChilluN, kVirama, kRra}),
                             Units({0xE2})},
                      Golden{"chillu N then KA", Units({kChilluN, kKa}), Units({0xB3, 0x49})},
                      Golden{"avan", Units({kA, kVa, kChilluN}), Units({0x41, 0x68, 0xB3})}),
    NameFromWhat());

// The AI sign is drawn as two E-sign glyphs, both in front of the RA sign.
INSTANTIATE_TEST_SUITE_P(
    AiSignWithRaSign, ConvertTextGolden,
    ::testing::Values(Golden{"KA, virama, RA, AI", Units({kKa, kVirama, kRa, kSignAi}), u"ss{I"},
                      Golden{"driver", Units({kDda, kVirama, kRa, kSignAi, kVa, kChilluRr}),
                             Units({0x73, 0x73, 0x7B, 0x55, 0x68, 0xC0})}),
    NameFromWhat());

// Every row of the conjunct table, reached from its Unicode letters.
struct ConjunctCase {
  std::u16string input;
  char16_t ligature;
  const char* letters;
};

void PrintTo(const ConjunctCase& c, std::ostream* os) {
  *os << c.letters;
}

class ConjunctRows : public ::testing::TestWithParam<ConjunctCase> {};

TEST_P(ConjunctRows, FuseIntoTheLigature) {
  const ConjunctCase& c = GetParam();
  EXPECT_EQ(Hex(ConvertText(c.input)), Hex(std::u16string(1, c.ligature))) << c.letters;
}

const ConjunctCase kConjunctCases[] = {
    {{0x0D15, 0x0D4D, 0x0D15}, 0xA1, "KA + VIRAMA + KA"},
    {{0x0D28, 0x0D4D, 0x0D31}, 0xE2, "NA + VIRAMA + RRA"},
    {{0x0D15, 0x0D4D, 0x0D32}, 0xA2, "KA + VIRAMA + LA"},
    {{0x0D15, 0x0D4D, 0x0D37}, 0xA3, "KA + VIRAMA + SSA"},
    {{0x0D17, 0x0D4D, 0x0D17}, 0xA4, "GA + VIRAMA + GA"},
    {{0x0D17, 0x0D4D, 0x0D32}, 0xA5, "GA + VIRAMA + LA"},
    {{0x0D19, 0x0D4D, 0x0D15}, 0xA6, "NGA + VIRAMA + KA"},
    {{0x0D19, 0x0D4D, 0x0D19}, 0xA7, "NGA + VIRAMA + NGA"},
    {{0x0D1A, 0x0D4D, 0x0D1A}, 0xA8, "CA + VIRAMA + CA"},
    {{0x0D1E, 0x0D4D, 0x0D1A}, 0xA9, "NYA + VIRAMA + CA"},
    {{0x0D1E, 0x0D4D, 0x0D1E}, 0xAA, "NYA + VIRAMA + NYA"},
    {{0x0D1F, 0x0D4D, 0x0D1F}, 0xAB, "TTA + VIRAMA + TTA"},
    {{0x0D23, 0x0D4D, 0x200D}, 0xAC, "NNA + VIRAMA + ZWJ"},
    {{0x0D23, 0x0D4D, 0x0D1F}, 0xAD, "NNA + VIRAMA + TTA"},
    {{0x0D23, 0x0D4D, 0x0D23}, 0xAE, "NNA + VIRAMA + NNA"},
    {{0x0D24, 0x0D4D, 0x0D24}, 0xAF, "TA + VIRAMA + TA"},
    {{0x0D24, 0x0D4D, 0x0D25}, 0xB0, "TA + VIRAMA + THA"},
    {{0x0D26, 0x0D4D, 0x0D26}, 0xB1, "DA + VIRAMA + DA"},
    {{0x0D26, 0x0D4D, 0x0D27}, 0xB2, "DA + VIRAMA + DHA"},
    {{0x0D28, 0x0D4D, 0x200D}, 0xB3, "NA + VIRAMA + ZWJ"},
    {{0x0D28, 0x0D4D, 0x0D24}, 0xB4, "NA + VIRAMA + TA"},
    {{0x0D28, 0x0D4D, 0x0D26}, 0xB5, "NA + VIRAMA + DA"},
    {{0x0D28, 0x0D4D, 0x0D28}, 0xB6, "NA + VIRAMA + NA"},
    {{0x0D28, 0x0D4D, 0x0D2E}, 0xB7, "NA + VIRAMA + MA"},
    {{0x0D2A, 0x0D4D, 0x0D2A}, 0xB8, "PA + VIRAMA + PA"},
    {{0x0D2A, 0x0D4D, 0x0D32}, 0xB9, "PA + VIRAMA + LA"},
    {{0x0D2C, 0x0D4D, 0x0D2C}, 0xBA, "BA + VIRAMA + BA"},
    {{0x0D2C, 0x0D4D, 0x0D32}, 0xBB, "BA + VIRAMA + LA"},
    {{0x0D2E, 0x0D4D, 0x0D2A}, 0xBC, "MA + VIRAMA + PA"},
    {{0x0D2E, 0x0D4D, 0x0D2E}, 0xBD, "MA + VIRAMA + MA"},
    {{0x0D2E, 0x0D4D, 0x0D32}, 0xBE, "MA + VIRAMA + LA"},
    {{0x0D2F, 0x0D4D, 0x0D2F}, 0xBF, "YA + VIRAMA + YA"},
    {{0x0D30, 0x0D4D, 0x200D}, 0xC0, "RA + VIRAMA + ZWJ"},
    {{0x0D32, 0x0D4D, 0x200D}, 0xC2, "LA + VIRAMA + ZWJ"},
    {{0x0D32, 0x0D4D, 0x0D32}, 0xC3, "LA + VIRAMA + LA"},
    {{0x0D33, 0x0D4D, 0x200D}, 0xC4, "LLA + VIRAMA + ZWJ"},
    {{0x0D33, 0x0D4D, 0x0D33}, 0xC5, "LLA + VIRAMA + LLA"},
    {{0x0D35, 0x0D4D, 0x0D35}, 0xC6, "VA + VIRAMA + VA"},
    {{0x0D36, 0x0D4D, 0x0D32}, 0xC7, "SHA + VIRAMA + LA"},
    {{0x0D36, 0x0D4D, 0x0D36}, 0xC8, "SHA + VIRAMA + SHA"},
    {{0x0D38, 0x0D4D, 0x0D32}, 0xC9, "SA + VIRAMA + LA"},
    {{0x0D38, 0x0D4D, 0x0D38}, 0xCA, "SA + VIRAMA + SA"},
    {{0x0D39, 0x0D4D, 0x0D32}, 0xCB, "HA + VIRAMA + LA"},
    {{0x0D21, 0x0D4D, 0x0D21}, 0xCD, "DDA + VIRAMA + DDA"},
    {{0x0D15, 0x0D4D, 0x0D1F}, 0xCE, "KA + VIRAMA + TTA"},
    {{0x0D2C, 0x0D4D, 0x0D27}, 0xCF, "BA + VIRAMA + DHA"},
    {{0x0D2C, 0x0D4D, 0x0D26}, 0xD0, "BA + VIRAMA + DA"},
    {{0x0D1A, 0x0D4D, 0x0D1B}, 0xD1, "CA + VIRAMA + CHA"},
    {{0x0D39, 0x0D4D, 0x0D2E}, 0xD2, "HA + VIRAMA + MA"},
    {{0x0D39, 0x0D4D, 0x0D28}, 0xD3, "HA + VIRAMA + NA"},
    {{0x0D28, 0x0D4D, 0x0D27}, 0xD4, "NA + VIRAMA + DHA"},
    {{0x0D24, 0x0D4D, 0x0D38}, 0xD5, "TA + VIRAMA + SA"},
    {{0x0D1C, 0x0D4D, 0x0D1C}, 0xD6, "JA + VIRAMA + JA"},
    {{0x0D23, 0x0D4D, 0x0D2E}, 0xD7, "NNA + VIRAMA + MA"},
    {{0x0D38, 0x0D4D, 0x0D25}, 0xD8, "SA + VIRAMA + THA"},
    {{0x0D28, 0x0D4D, 0x0D25}, 0xD9, "NA + VIRAMA + THA"},
    {{0x0D1C, 0x0D4D, 0x0D1E}, 0xDA, "JA + VIRAMA + NYA"},
    {{0x0D24, 0x0D4D, 0x0D2D}, 0xDB, "TA + VIRAMA + BHA"},
    {{0x0D17, 0x0D4D, 0x0D2E}, 0xDC, "GA + VIRAMA + MA"},
    {{0x0D36, 0x0D4D, 0x0D1A}, 0xDD, "SHA + VIRAMA + CA"},
    {{0x0D23, 0x0D4D, 0x0D21}, 0xDE, "NNA + VIRAMA + DDA"},
    {{0x0D24, 0x0D4D, 0x0D2E}, 0xDF, "TA + VIRAMA + MA"},
    {{0x0D15, 0x0D4D, 0x0D24}, 0xE0, "KA + VIRAMA + TA"},
    {{0x0D28, 0x0D4D, 0x200D, 0x0D4D, 0x0D31}, 0xE2, "NA + VIRAMA + ZWJ + VIRAMA + RRA"},
    {{0x0D37, 0x0D4D, 0x0D1F}, 0xE3, "SSA + VIRAMA + TTA"},
    {{0x0D31, 0x0D4D, 0x0D31}, 0xE4, "RRA + VIRAMA + RRA"},
};

std::string ConjunctName(const ::testing::TestParamInfo<ConjunctCase>& c) {
  return TestName(c.param.letters);
}

INSTANTIATE_TEST_SUITE_P(AllRows, ConjunctRows, ::testing::ValuesIn(kConjunctCases), ConjunctName);

// One golden per row of the table: a row added without its case fails here.
TEST(ConjunctRows, OneGoldenPerTableRow) {
  std::multiset<char16_t> golden;
  for (const ConjunctCase& c : kConjunctCases) golden.insert(c.ligature);
  std::multiset<char16_t> table;
  for (const ConjunctRule& rule : ConjunctTable) table.insert(rule.Ligature);
  EXPECT_EQ(golden, table);
}

// A chillu letter converts like the sequence it stands for, wherever it stands.
TEST(ConvertText, AtomicChillusConvertLikeTheirSequences) {
  const std::u16string sequences[] = {Units({kNna, kVirama, kZwj}), Units({kNa, kVirama, kZwj}),
                                      Units({kRa, kVirama, kZwj}),  Units({kLa, kVirama, kZwj}),
                                      Units({kLla, kVirama, kZwj}), Units({kKa, kVirama, kZwj})};
  const char16_t atomic[] = {kChilluNn, kChilluN, kChilluRr, kChilluL, kChilluLl, kChilluK};
  const std::u16string befores[] = {u"", Units({kA, kVa}), Units({kKa, kSignE})};
  const std::u16string afters[] = {u"", Units({kVirama, kRra}), Units({kSignE}), u" x",
                                   Units({kVirama, kYa})};
  for (std::size_t i = 0; i < std::size(atomic); ++i)
    for (const std::u16string& before : befores)
      for (const std::u16string& after : afters)
        EXPECT_EQ(Hex(ConvertText(before + atomic[i] + after)),
                  Hex(ConvertText(before + sequences[i] + after)))
            << "chillu " << Hex(std::u16string(1, atomic[i])) << " before " << Hex(after);
}

TEST(ConvertText, SameInputGivesSameOutput) {
  const std::u16string text =
      Units({kKa, kVirama, kRa, kSignAi, u' ', kNa, kVirama, kZwj, 0x4E2D, kSignE, u'\r', u'\n'});
  EXPECT_EQ(ConvertText(text), ConvertText(text));
}

}  // namespace
}  // namespace lipimattam
