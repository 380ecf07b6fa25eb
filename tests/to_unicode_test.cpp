#include <lipimattam/to_unicode.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <lipimattam/convert.h>

#include "engine/conjunct_table.h"
#include "engine/reading_paths.h"
#include "oracles/conversion_properties.h"
#include "tests/test_text.h"

namespace lipimattam {
namespace {

using namespace lipimattam::testing;  // NOLINT(google-build-using-namespace): letter names

struct Reading {
  const char* what;
  std::u16string glyphs;
  std::u16string expected;
};

void PrintTo(const Reading& reading, std::ostream* os) {
  *os << reading.what;
}

class ConvertToUnicodeReads : public ::testing::TestWithParam<Reading> {};

TEST_P(ConvertToUnicodeReads, GivesTheUnicodeText) {
  const Reading& r = GetParam();
  const ToUnicodeResult result = ConvertToUnicode(r.glyphs);
  EXPECT_EQ(Hex(result.text), Hex(r.expected)) << r.what;
  EXPECT_EQ(result.unknown_codes, 0u) << r.what;
}

INSTANTIATE_TEST_SUITE_P(
    Letters, ConvertToUnicodeReads,
    ::testing::Values(
        Reading{"consonant", u"I", Units({kKa})},
        Reading{"two-code vowels", u"CuDuHmHusF", u"\u0D08\u0D0A\u0D13\u0D14\u0D10"},
        Reading{"ligature", Units({0xA1}), Units({kKa, kVirama, kKa})},
        Reading{"NA + RRA, with or without the joiner", Units({0xE2}), Units({kNa, kVirama, kRra})},
        Reading{"SA + RRA + RRA", Units({0xCC}), Units({kSa, kVirama, kRra, kVirama, kRra})},
        Reading{"chillu N", Units({0xB3}), Units({kChilluN})},
        Reading{"0xC0 is the chillu RR, not vocalic RR", Units({0xC0}), Units({kChilluRr})},
        Reading{"0xC2 is the chillu L, not vocalic L or LL", Units({0xC2}), Units({kChilluL})},
        Reading{"KA, virama, joiner is the chillu K", u"Iv!", Units({kChilluK})},
        Reading{"non-joiner after a virama", u"Iv-I", Units({kKa, kVirama, kZwnj, kKa})},
        Reading{"! and - elsewhere are ASCII", u"a! -", Units({kMa, u'!', u' ', u'-'})},
        Reading{"Unicode letters copied through take no joiner",
                Units({kKa, kVirama, u'!', kKa, u'v', u'!', kVirama, u'-'}),
                Units({kKa, kVirama, u'!', kKa, kVirama, u'!', kVirama, u'-'})},
        Reading{"digits are ASCII", u"2026", u"2026"},
        Reading{"anusvara and visarga", u"IwIx", u"\u0D15\u0D02\u0D15\u0D03"},
        Reading{"line breaks, spaces, other characters", u"I\r\n\u4E2D I.",
                Units({kKa, u'\r', u'\n', 0x4E2D, u' ', kKa, u'.'})}),
    NameFromWhat());

INSTANTIATE_TEST_SUITE_P(
    SignsInLogicalOrder, ConvertToUnicodeReads,
    ::testing::Values(
        Reading{"E", u"sI", Units({kKa, kSignE})}, Reading{"EE", u"tI", Units({kKa, kSignEe})},
        Reading{"AI", u"ssI", Units({kKa, kSignAi})}, Reading{"O", u"sIm", Units({kKa, kSignO})},
        Reading{"OO", u"tIm", Units({kKa, kSignOo})}, Reading{"AU", u"sIu", Units({kKa, kSignAu})},
        Reading{"RA sign", u"{I", Units({kKa, kVirama, kRa})},
        Reading{"RA sign and E", u"s{I", Units({kKa, kVirama, kRa, kSignE})},
        Reading{"RA sign and AI", u"ss{I", Units({kKa, kVirama, kRa, kSignAi})},
        Reading{"RA sign and O", u"s{Im", Units({kKa, kVirama, kRa, kSignO})},
        Reading{"YA sign", u"Iy", Units({kKa, kVirama, kYa})},
        Reading{"YA sign and EE", u"tIy", Units({kKa, kVirama, kYa, kSignEe})},
        Reading{"YA sign and AI, as the conversion leaves it", u"Issy",
                Units({kKa, kVirama, kYa, kSignAi})},
        Reading{"YA sign and O, as the conversion leaves it", u"Isym",
                Units({kKa, kVirama, kYa, kSignO})},
        Reading{"VA sign and AU", u"Iszu", Units({kKa, kVirama, kVa, kSignAu})},
        Reading{"RA and YA signs and E", u"s{Iy", Units({kKa, kVirama, kRa, kVirama, kYa, kSignE})},
        Reading{"E before a ligature", Units({u's', 0xA1}), Units({kKa, kVirama, kKa, kSignE})},
        Reading{"YA sign after a space", u" y", Units({u' ', kVirama, kYa})},
        Reading{"a sign with no consonant stands alone", u"s sm", Units({kSignE, u' ', kSignO})}),
    NameFromWhat());

// Documents written with a vowel sign's first half between the consonant and its YA or VA sign,
// or with the RA sign after the YA sign, read back as the placements written now do.
INSTANTIATE_TEST_SUITE_P(
    BothPlacementsReadAlike, ConvertToUnicodeReads,
    ::testing::Values(
        Reading{"YA sign, O, half inside", u"Isym", Units({kKa, kVirama, kYa, kSignO})},
        Reading{"YA sign, O, in front", u"sIym", Units({kKa, kVirama, kYa, kSignO})},
        Reading{"YA sign, AI, halves inside", u"Issy", Units({kKa, kVirama, kYa, kSignAi})},
        Reading{"YA sign, AI, in front", u"ssIy", Units({kKa, kVirama, kYa, kSignAi})},
        Reading{"YA sign, OO, half inside", u"Ztym", Units({kDa, kVirama, kYa, kSignOo})},
        Reading{"YA sign, OO, in front", u"tZym", Units({kDa, kVirama, kYa, kSignOo})},
        Reading{"YA sign, AU, half inside", u"Isyu", Units({kKa, kVirama, kYa, kSignAu})},
        Reading{"YA sign, AU, in front", u"sIyu", Units({kKa, kVirama, kYa, kSignAu})},
        Reading{"VA sign, AI, halves inside", u"Issz", Units({kKa, kVirama, kVa, kSignAi})},
        Reading{"VA sign, AI, in front", u"ssIz", Units({kKa, kVirama, kVa, kSignAi})},
        Reading{"VA sign, OO, half inside", u"Itzm", Units({kKa, kVirama, kVa, kSignOo})},
        Reading{"VA sign, OO, in front", u"tIzm", Units({kKa, kVirama, kVa, kSignOo})},
        Reading{"RA and YA signs, AI, halves inside", u"{Issy",
                Units({kKa, kVirama, kRa, kVirama, kYa, kSignAi})},
        Reading{"RA and YA signs, AI, in front", u"ss{Iy",
                Units({kKa, kVirama, kRa, kVirama, kYa, kSignAi})},
        Reading{"NTA, RA sign after the YA sign", Units({0xB4, u'{', u'y'}),
                Units({kNa, kVirama, kTa, kVirama, kRa, kVirama, kYa})},
        Reading{"NTA, RA sign in front", Units({u'{', 0xB4, u'y'}),
                Units({kNa, kVirama, kTa, kVirama, kRa, kVirama, kYa})}),
    NameFromWhat());

// A chillu formed on a ligature keeps the ligature's letters: "¡v!" is KA, virama, KA, virama,
// ZWJ, never KA, virama and the chillu K, in both chillu forms.
TEST(ConvertToUnicode, JoinerAfterALigatureKeepsItsLetters) {
  for (const auto chillu :
       {ToUnicodeOptions::Chillu::kAtomic, ToUnicodeOptions::Chillu::kSequence}) {
    ToUnicodeOptions options;
    options.chillu = chillu;
    EXPECT_EQ(Hex(ConvertToUnicode(Units({0xA1, u'v', u'!'}), options).text),
              Hex(Units({kKa, kVirama, kKa, kVirama, kZwj})));
    EXPECT_EQ(Hex(ConvertToUnicode(Units({0xA6, u'v', u'!'}), options).text),
              Hex(Units({0x0D19, kVirama, kKa, kVirama, kZwj})));
    EXPECT_EQ(Hex(ConvertText(ConvertToUnicode(Units({0xA1, u'v', u'!'}), options).text)),
              Hex(Units({0xA1, u'v', u'!'})));
  }
}

TEST(ConvertToUnicode, OptionsChooseChilluAndDigitForms) {
  ToUnicodeOptions options;
  options.chillu = ToUnicodeOptions::Chillu::kSequence;
  options.digits = ToUnicodeOptions::Digits::kMalayalam;
  EXPECT_EQ(Hex(ConvertToUnicode(Units({0xB3, u'1', u'0'}), options).text),
            Hex(Units({kNa, kVirama, kZwj, 0x0D67, 0x0D66})));
  EXPECT_EQ(Hex(ConvertToUnicode(u"Iv!", options).text), Hex(Units({kKa, kVirama, kZwj})));
}

TEST(ConvertToUnicode, CountsCodesWithNoMeaning) {
  std::u16string glyphs = Units({u'I', 0xE5, u' '});
  glyphs.append(kFreeLigatureCodes.begin(), kFreeLigatureCodes.end());
  glyphs += Units({0xA0});
  const ToUnicodeResult result = ConvertToUnicode(glyphs);
  EXPECT_EQ(Hex(result.text), Hex(Units({kKa}) + glyphs.substr(1)));
  EXPECT_EQ(result.unknown_codes, 2u + kFreeLigatureCodes.size());  // 0xE5, 0xA0 and the free ones
  EXPECT_EQ(result.first_unknown, 1u);
}

// Among the ligature codes, exactly the free ones are read as nothing: a conjunct row that
// takes a free code must also be read back.
TEST(ConvertToUnicode, FreeLigatureCodesAreTheUnreadLigatureCodes) {
  for (char16_t code = 0xA1; code <= 0xE4; ++code) {
    const bool free = std::find(kFreeLigatureCodes.begin(), kFreeLigatureCodes.end(), code) !=
                      kFreeLigatureCodes.end();
    EXPECT_EQ(ConvertToUnicode(std::u16string(1, code)).unknown_codes, free ? 1u : 0u)
        << "code 0x" << std::hex << static_cast<unsigned>(code);
  }
}

// Words as this direction writes them: NFC, atomic chillus, ASCII digits.
std::vector<std::u16string> RoundTripWords() {
  const std::u16string consonants =
      u"\u0D15\u0D16\u0D17\u0D18\u0D19\u0D1A\u0D1B\u0D1C\u0D1D"
      u"\u0D1E\u0D1F\u0D20\u0D21\u0D22\u0D23\u0D24\u0D25\u0D26"
      u"\u0D27\u0D28\u0D2A\u0D2B\u0D2C\u0D2D\u0D2E\u0D2F\u0D30"
      u"\u0D31\u0D32\u0D33\u0D34\u0D35\u0D36\u0D37\u0D38\u0D39";
  const std::u16string signs[] = {u"",       u"\u0D3E", u"\u0D3F", u"\u0D40", u"\u0D41",
                                  u"\u0D42", u"\u0D43", u"\u0D46", u"\u0D47", u"\u0D48",
                                  u"\u0D4A", u"\u0D4B", u"\u0D4C", u"\u0D02", u"\u0D3E\u0D02"};
  std::vector<std::u16string> clusters;
  // Every pair of consonants with the virama: the conjuncts of the font's table and all others.
  for (char16_t first : consonants)
    for (char16_t second : consonants) clusters.push_back({first, kVirama, second});
  // The RA, YA and VA signs, alone and together.
  for (char16_t consonant : consonants) {
    clusters.push_back({consonant});
    clusters.push_back({consonant, kVirama, kRa});
    clusters.push_back({consonant, kVirama, kYa});
    clusters.push_back({consonant, kVirama, kVa});
    // YA, virama, RA, virama, YA: the conversion joins the two YAs across the RA sign.
    if (consonant != kYa) clusters.push_back({consonant, kVirama, kRa, kVirama, kYa});
    clusters.push_back({consonant, kVirama, kYa, kVirama, kVa});
  }
  clusters.push_back({kSa, kVirama, kRra, kVirama, kRra});
  clusters.push_back({kKa, kVirama, kKa, kVirama, kRa});
  std::vector<std::u16string> words;
  for (const std::u16string& cluster : clusters)
    for (const std::u16string& sign : signs) words.push_back(cluster + sign);
  // Chillus at the end of words, before RRA, before a space; vowels, digits, line breaks.
  for (char16_t chillu : {kChilluNn, kChilluN, kChilluRr, kChilluL, kChilluLl, kChilluK}) {
    words.push_back({kA, kVa, chillu});
    words.push_back({chillu, kRra, 0x0D41});
    words.push_back({kKa, chillu, u' ', kMa});
  }
  words.emplace_back(
      u"\u0D05\u0D06\u0D07\u0D08\u0D09\u0D0A\u0D0B\u0D0E\u0D0F\u0D10\u0D12\u0D13\u0D14");
  words.emplace_back(
      u"\u0D2E\u0D32\u0D2F\u0D3E\u0D33\u0D02, 2026.\r\n\u0D15\u0D47\u0D30\u0D33\u0D02");
  words.emplace_back(u"\u0D26\u0D41\u0D03\u0D16\u0D02 \u0D15\u0D4D\u200C\u0D37");
  return words;
}

TEST(ConvertToUnicode, ReadsBackWhatTheConversionWrites) {
  int failures = 0;
  for (const std::u16string& word : RoundTripWords()) {
    const std::u16string back = ConvertToUnicode(ConvertText(word)).text;
    if (back != word && ++failures <= 20)
      ADD_FAILURE() << Hex(word) << " -> " << Hex(ConvertText(word)) << " -> " << Hex(back);
  }
  EXPECT_EQ(failures, 0);
}

// Where the encoding holds one code for two spellings, the reading is fixed and known.
TEST(ConvertToUnicode, SpellingsTheEncodingCannotTellApart) {
  struct Case {
    std::u16string written;
    std::u16string read_back;
  };
  const Case cases[] = {
      {Units({kChilluN, kVirama, kRra}), Units({kNa, kVirama, kRra})},  // both are 0xE2
      {Units({kNa, kVirama, kZwj}), Units({kChilluN})},                 // chillus come back atomic
      {Units({0x0D60}), Units({kChilluRr})},                            // vocalic RR is 0xC0
      {Units({0x0D0C}), Units({kChilluL})},                             // vocalic L is 0xC2
      {Units({0x0D61}), Units({kChilluL})},                             // vocalic LL is 0xC2
      {u"\u0D6A\u0D6B", u"45"},                                         // digits come back ASCII
      {Units({kKa, kSignE, kSignAa}), Units({kKa, kSignO})},            // NFC composes E + AA
      {Units({kYa, kVirama, kRa, kVirama, kYa}),                        // both are "{" 0xBF
       Units({kYa, kVirama, kYa, kVirama, kRa})},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Hex(ConvertToUnicode(ConvertText(c.written)).text), Hex(c.read_back))
        << Hex(c.written);
}

// The quick reading of common codes and clusters gives what the general reading gives, code
// by code, for random texts of every glyph code (the pre-base signs and the codes around them
// drawn most), a few units above 0xFF among them, with every choice of options; and so does
// the reading written as UTF-8, whose converter keeps its memory from text to text.
TEST(ConvertToUnicode, QuickReadingGivesTheGeneralReading) {
  const std::u16string common = u"stsm\u00BFyzIJKLMNOPQR{!-" + std::u16string(1, kViramaGlyph);
  std::mt19937 random(7);
  std::vector<ToUnicodeOptions> all_options;
  std::vector<ToUnicodeUtf8Converter> utf8_converters;
  for (const auto digits : {ToUnicodeOptions::Digits::kAscii, ToUnicodeOptions::Digits::kMalayalam})
    for (const auto chillu :
         {ToUnicodeOptions::Chillu::kAtomic, ToUnicodeOptions::Chillu::kSequence}) {
      all_options.push_back({chillu, digits});
      utf8_converters.emplace_back(all_options.back());
    }
  for (int text = 0; text < (kSanitized ? 500 : 3000); ++text) {
    std::u16string glyphs(random() % 200, u' ');
    for (char16_t& unit : glyphs) {
      const std::uint32_t draw = random() % 32;
      unit = draw < 16   ? common[random() % common.size()]
             : draw < 30 ? static_cast<char16_t>(random() % 0x100)
             : draw < 31 ? static_cast<char16_t>(0x0D00 + random() % 0x80)
                         : static_cast<char16_t>(0xD800 + random() % 0x800);  // surrogate halves
    }
    for (std::size_t i = 0; i < all_options.size(); ++i) {
      const ToUnicodeResult quick = ConvertToUnicode(glyphs, all_options[i]);
      const ToUnicodeResult general = detail::ConvertToUnicodeCodeByCode(glyphs, all_options[i]);
      ASSERT_EQ(Hex(quick.text), Hex(general.text)) << Hex(glyphs);
      ASSERT_EQ(quick.unknown_codes, general.unknown_codes) << Hex(glyphs);
      const ToUnicodeUtf8Result utf8 = utf8_converters[i].Convert(glyphs);
      ASSERT_EQ(utf8.text, Utf8OfReading(general.text)) << Hex(glyphs);
      ASSERT_EQ(utf8.unknown_codes, general.unknown_codes) << Hex(glyphs);
      ASSERT_EQ(utf8.first_unknown, general.first_unknown) << Hex(glyphs);
    }
  }
}

}  // namespace
}  // namespace lipimattam
