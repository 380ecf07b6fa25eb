// Cut points, both ways: converting the parts on either side of one gives the whole output.
#include <lipimattam/cut_points.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>

#include "tests/test_text.h"

namespace lipimattam {
namespace {

using testing::Hex;

// Glyph codes as the reverse direction meets them: converted Malayalam, with codes of every
// value mixed in.
std::u16string RandomGlyphs(std::mt19937& random, std::size_t length) {
  std::u16string glyphs = ConvertText(testing::RandomText(random, length));
  std::uniform_int_distribution<int> code(0, 0xFF);
  for (std::size_t i = 0; i < glyphs.size(); i += 3)
    glyphs[i] = static_cast<char16_t>(code(random));
  return glyphs;
}

// At every cut point of thousands of random texts, the halves give the whole.
TEST(CutPoints, TheHalvesAtEveryCutPointGiveTheWhole) {
  std::mt19937 random(21);
  std::size_t cuts = 0;
  for (std::size_t round = 0; round < (testing::kSanitized ? 1000u : 4000u); ++round) {
    const std::u16string text = testing::RandomText(random, 1 + round % 30);
    const std::u16string whole = ConvertText(text);
    for (std::size_t at = 0; at <= text.size(); ++at) {
      if (!IsCutPoint(text, at)) continue;
      ++cuts;
      ASSERT_EQ(Hex(ConvertText(text.substr(0, at)) + ConvertText(text.substr(at))), Hex(whole))
          << "cut at " << at << " of " << Hex(text);
    }
    const std::u16string glyphs = RandomGlyphs(random, 1 + round % 30);
    const ToUnicodeResult read = ConvertToUnicode(glyphs);
    for (std::size_t at = 0; at <= glyphs.size(); ++at) {
      if (!IsGlyphCutPoint(glyphs, at)) continue;
      ++cuts;
      ASSERT_EQ(Hex(ConvertToUnicode(glyphs.substr(0, at)).text +
                    ConvertToUnicode(glyphs.substr(at)).text),
                Hex(read.text))
          << "cut at " << at << " of " << Hex(glyphs);
    }
  }
  EXPECT_GT(cuts, testing::kSanitized ? 10000u : 40000u);  // the property was tried, not skipped
}

// Every syllable of real words begins at a cut point, both ways; inside one there is none.
TEST(CutPoints, EverySyllableBoundaryIsOne) {
  // കേരളം, ക്ഷേത്രം, സ്ത്രീ, മലയാളം and a line: the syllables' first units.
  const std::u16string text =
      u"\u0D15\u0D47\u0D30\u0D33\u0D02 \u0D15\u0D4D\u0D37\u0D47\u0D24\u0D4D\u0D30\u0D02 "
      u"\u0D38\u0D4D\u0D24\u0D4D\u0D30\u0D40\n\u0D2E\u0D32\u0D2F\u0D3E\u0D33\u0D02";
  const std::vector<std::size_t> syllables = {0, 2, 3, 5, 6, 10, 14, 15, 21, 22, 23, 24, 26};
  std::vector<std::size_t> found;
  for (std::size_t at = 0; at < text.size(); ++at)
    if (IsCutPoint(text, at)) found.push_back(at);
  EXPECT_EQ(found, syllables);
  // In the codes each syllable begins at a cut point too, with its pre-base and RA signs.
  const CutConversion converted = ConvertTextWithCuts(text, syllables);
  for (const CutPoint& cut : converted.cuts)
    EXPECT_TRUE(IsGlyphCutPoint(converted.text, cut.output))
        << "syllable at " << cut.input << ", code " << cut.output << " of " << Hex(converted.text);
}

// Malformed text the fuzzer found: at every cut point the halves give the whole.
TEST(CutPoints, HoldInMalformedText) {
  const std::u16string texts[] = {
      u" \u0D4D\u0D4D\u0D30\u0D48\u0D35\u0D7C",  // a doubled virama, then RA, AI and VA
      u"\u0D15\u0D4D\u0D4D\u0D2F\u0D47\u0D35",   // the same with YA and the E sign
  };
  for (const std::u16string& text : texts) {
    for (std::size_t at = 0; at <= text.size(); ++at) {
      if (!IsCutPoint(text, at)) continue;
      EXPECT_EQ(Hex(ConvertText(text.substr(0, at)) + ConvertText(text.substr(at))),
                Hex(ConvertText(text)))
          << "cut at " << at << " of " << Hex(text);
    }
  }
}

// A run boundary inside a syllable moves to where the syllable ends: the syllable goes with the
// part where it begins; and the output offsets are those of the parts.
TEST(CutPoints, WantedOffsetsMoveToTheNextCutPoint) {
  std::mt19937 random(5);
  for (std::size_t round = 0; round < (testing::kSanitized ? 500u : 2000u); ++round) {
    const std::u16string text = testing::RandomText(random, 1 + round % 50);
    std::vector<std::size_t> wanted;
    for (std::size_t at = 0; at <= text.size() + 2; at += 1 + random() % 7) wanted.push_back(at);
    const CutConversion converted = ConvertTextWithCuts(text, wanted);
    ASSERT_EQ(Hex(converted.text), Hex(ConvertText(text)));
    ASSERT_EQ(converted.cuts.size(), wanted.size());
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      const CutPoint cut = converted.cuts[i];
      ASSERT_GE(cut.input, std::min(wanted[i], text.size()));
      ASSERT_TRUE(IsCutPoint(text, cut.input));
      for (std::size_t between = std::min(wanted[i], text.size()); between < cut.input; ++between)
        ASSERT_FALSE(IsCutPoint(text, between));  // the first one
      ASSERT_EQ(cut.output, ConvertText(text.substr(0, cut.input)).size());
    }
    const std::u16string glyphs = RandomGlyphs(random, 1 + round % 50);
    const CutReading read = ConvertToUnicodeWithCuts(glyphs, wanted);
    const ToUnicodeResult whole = ConvertToUnicode(glyphs);
    ASSERT_EQ(Hex(read.result.text), Hex(whole.text));
    ASSERT_EQ(read.result.unknown_codes, whole.unknown_codes);
    if (whole.unknown_codes != 0) {
      ASSERT_EQ(read.result.first_unknown, whole.first_unknown);
    }
    for (const CutPoint& cut : read.cuts) {
      ASSERT_TRUE(IsGlyphCutPoint(glyphs, cut.input));
      ASSERT_EQ(cut.output, ConvertToUnicode(glyphs.substr(0, cut.input)).text.size());
    }
  }
}

// Reading back, a cluster split by an offset goes with the part that holds its consonant: the
// signs drawn before it (E "t", EE "t" twice, RA "{") follow the consonant.
TEST(CutPoints, AClusterGoesWithItsConsonant) {
  struct Case {
    std::u16string glyphs;
    std::vector<std::size_t> wanted;
    std::vector<std::size_t> cuts;
  };
  const Case cases[] = {
      {u"t\u00A3{Xw ", {1, 3}, {0, 2}},  // E sign | KSSA, RA sign | TA: all after each offset
      {u"tIcfw", {2}, {2}},              // KE, then RA: a cut already
      {u"ttI", {1}, {0}},                // the AI sign's two codes go with KA
      {u"Ipw", {1, 2}, {3, 3}},          // post-base signs stay with their consonant
  };
  for (const Case& c : cases) {
    const CutReading read = ConvertToUnicodeWithCuts(c.glyphs, c.wanted);
    std::vector<std::size_t> inputs;
    for (const CutPoint& cut : read.cuts) inputs.push_back(cut.input);
    EXPECT_EQ(inputs, c.cuts) << Hex(c.glyphs);
  }
}

}  // namespace
}  // namespace lipimattam
