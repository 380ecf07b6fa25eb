// The pass takes shortcuts for the common letters; it must give exactly what the stages give
// when every code unit goes through all of them in their order.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include <lipimattam/convert.h>

#include "oracles/reference_pass.h"
#include "tests/test_text.h"

namespace lipimattam {
namespace {

// Also into one output string kept from text to text, whose old text, longer or shorter, is
// written over.
TEST(ConvertText, GivesWhatTheStagesGiveOneUnitAtATime) {
  std::mt19937 random(7);
  std::u16string kept;
  for (std::size_t round = 0; round < 20000; ++round) {
    const std::u16string text = testing::RandomText(random, 1 + round % 40);
    const std::u16string expected = testing::ConvertStageByStage(text);
    ASSERT_EQ(testing::Hex(ConvertText(text)), testing::Hex(expected))
        << "input " << testing::Hex(text);
    ConvertText(text, kept);
    ASSERT_EQ(testing::Hex(kept), testing::Hex(expected)) << "input " << testing::Hex(text);
  }
}

// A text added in pieces, cut anywhere (inside a cluster, between a surrogate pair's halves,
// past a slice of the pass), gives what the stages give for the whole text: the fix-ups run
// on what each piece settled must not touch what a later unit changes.
TEST(TextConverter, PiecesGiveWhatTheWholeGives) {
  std::mt19937 random(13);
  for (std::size_t round = 0; round < 2000; ++round) {
    const bool is_long = round >= 1990;
    const std::u16string text = testing::RandomText(random, is_long ? 40000 : 1 + round % 60);
    std::uniform_int_distribution<std::size_t> piece_length(0, is_long ? 20000 : 8);
    TextConverter converter(round % 3 == 0 ? 0 : text.size());  // too little room, or enough
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t length = piece_length(random);
      converter.Add(std::u16string_view(text).substr(at, length));
      at += length;
    }
    const std::u16string expected = testing::ConvertStageByStage(text);
    ASSERT_EQ(testing::Hex(std::move(converter).Finish()), testing::Hex(expected))
        << "input " << testing::Hex(text);
    if (is_long) {
      ASSERT_EQ(testing::Hex(ConvertText(text)), testing::Hex(expected));
    }
  }
}

// Added one unit at a time, a text has its fix-ups settled after every unit: the hardest case,
// as each unit may reach back into what they rewrote. The units are those of the fix-ups and
// of the stages that reach furthest back (the RA sign behind a YA sign, the tail repair).
TEST(TextConverter, UnitByUnitGivesWhatTheStagesGive) {
  const std::u16string alphabet =
      u"{{"
      u"sstkv\u00E4y\u0D4D\u0D4D\u0D30\u0D2F\u0D35\u0D46\u0D47\u0D48\u0D15\u0D38\u0D31\xD83D\xDE00";
  std::mt19937 random(17);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  for (std::size_t round = 0; round < 20000; ++round) {
    std::u16string text;
    for (std::size_t i = 0; i < 1 + round % 24; ++i) text += alphabet[pick(random)];
    TextConverter converter;
    for (const char16_t unit : text) converter.Add(std::u16string_view(&unit, 1));
    ASSERT_EQ(testing::Hex(std::move(converter).Finish()),
              testing::Hex(testing::ConvertStageByStage(text)))
        << "input " << testing::Hex(text);
  }
}

}  // namespace
}  // namespace lipimattam
