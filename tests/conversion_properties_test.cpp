// The properties of oracles/conversion_properties.h over generated Malayalam: every consonant and
// every conjunct, with and without the RA, YA and VA signs, with every vowel sign; and lines
// that begin with a sign, a virama or a joiner.
#include "oracles/conversion_properties.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <lipimattam/convert.h>

#include "tests/test_text.h"

namespace lipimattam {
namespace {

using namespace lipimattam::testing;  // NOLINT(google-build-using-namespace): letter names

std::u16string Consonants() {
  std::u16string consonants;
  for (char16_t unit = 0x0D15; unit <= 0x0D39; ++unit)
    if (unit != 0x0D29) consonants += unit;
  return consonants;
}

// Every consonant alone and every pair with the virama between (all conjuncts among them),
// each bare and with the RA, YA and VA signs in both orders they are typed in.
std::vector<std::u16string> Clusters() {
  const std::u16string consonants = Consonants();
  std::vector<std::u16string> bases;
  for (const char16_t first : consonants) {
    bases.push_back({first});
    for (const char16_t second : consonants) bases.push_back({first, kVirama, second});
  }
  const std::u16string signs[] = {
      u"",
      Units({kVirama, kRa}),
      Units({kVirama, kYa}),
      Units({kVirama, kVa}),
      Units({kVirama, kRa, kVirama, kYa}),
      Units({kVirama, kYa, kVirama, kRa}),
      Units({kVirama, kVa, kVirama, kRa}),
      Units({kSignVocalicR}),
  };
  std::vector<std::u16string> clusters;
  for (const std::u16string& base : bases)
    for (const std::u16string& sign : signs) clusters.push_back(base + sign);
  return clusters;
}

TEST(ConversionProperties, TwoPartSignsGiveWhatTheirDecompositionsGive) {
  const char16_t two_part_signs[] = {kSignO, kSignOo, kSignAu};
  std::size_t failures = 0;
  for (const std::u16string& cluster : Clusters()) {
    for (const char16_t sign : two_part_signs) {
      const std::u16string word = cluster + sign + Units({kKa, u' ', sign});
      const std::u16string composed = ConvertText(word);
      const std::u16string decomposed = ConvertText(DecomposeTwoPartSigns(word));
      if (composed != decomposed && ++failures <= 10)
        ADD_FAILURE() << Hex(word) << " gives " << Hex(composed) << ", decomposed "
                      << Hex(decomposed);
    }
  }
  EXPECT_EQ(failures, 0u);
}

TEST(ConversionProperties, EachLineConvertsAsItWouldAlone) {
  // Ends of lines: words, and the units the rules look back at.
  std::vector<std::u16string> ends = {
      u"",
      u" ",
      u"kv",
      u"{",
      u"Is",
      u"It",
      Units({kKa}),
      Units({kKa, kVirama}),
      Units({kKa, kVirama, kYa}),
      Units({kKa, kVirama, kVa}),
      Units({kKa, kSignVocalicR}),
      Units({kKa, kVirama, kKa}),
      Units({kSa, kVirama}),
      Units({kSa, kVirama, kRra, kVirama}),
      Units({kNa, kVirama}),
      Units({kEmojiHigh, kEmojiLow}),
      Units({kEmojiHigh}),
  };
  // Starts of lines: every vowel sign, the virama, the joiners, and what a rule may pull back.
  std::vector<std::u16string> starts = {u"",
                                        u"y",
                                        u"z",
                                        u"r",
                                        u"s",
                                        u"t",
                                        u"v\u00E4",
                                        Units({kEmojiLow}),
                                        Units({kZwj}),
                                        Units({kZwnj}),
                                        Units({kVirama}),
                                        Units({kVirama, kRa}),
                                        Units({kVirama, kYa}),
                                        Units({kVirama, kVa}),
                                        Units({kVirama, kKa}),
                                        Units({kRra, kVirama, kRra})};
  for (char16_t sign = 0x0D3E; sign <= 0x0D4C; ++sign) starts.push_back({sign});
  starts.push_back({kAuLengthMark});
  for (const std::u16string& cluster : {Units({kKa, kVirama, kRa, kVirama, kYa}), Units({kYa})}) {
    ends.push_back(cluster);
    for (const std::u16string& start : std::vector<std::u16string>(starts)) {
      starts.push_back(start + cluster);
      starts.push_back(start + cluster + Units({kSignAi}));
    }
  }
  const std::u16string line_breaks[] = {u"\n", u"\r", u"\r\n", u"\u2028", u"\u2029"};
  std::size_t failures = 0;
  for (const std::u16string& end : ends) {
    for (const std::u16string& start : starts) {
      for (const std::u16string& line_break : line_breaks) {
        const std::u16string text = end + line_break + start;
        const std::u16string whole = ConvertText(text);
        const std::u16string apart = ConvertText(end) + line_break + ConvertText(start);
        if (whole != apart && ++failures <= 10)
          ADD_FAILURE() << Hex(text) << " gives " << Hex(whole) << ", line by line " << Hex(apart);
      }
    }
  }
  EXPECT_EQ(failures, 0u);
}

TEST(ConversionProperties, LineByLineHelperSplitsAtEveryBreak) {
  // The helper the fuzz target relies on: lines converted apart, breaks kept as they stood.
  const std::u16string text = Units({kKa, u'\r', u'\n', kSignE, kKa, 0x2028, kVirama, kRa});
  EXPECT_EQ(Hex(ConvertLineByLine(text)),
            Hex(Units({u'I', u'\r', u'\n', u's', u'I', 0x2028, u'v', u'c'})));
  EXPECT_EQ(Hex(DecomposeTwoPartSigns(Units({kKa, kSignO, kSignOo, kSignAu}))),
            Hex(Units({kKa, kSignE, kSignAa, kSignEe, kSignAa, kSignE, kAuLengthMark})));
}

}  // namespace
}  // namespace lipimattam
