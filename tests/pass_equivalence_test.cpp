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

// Units the rules care about, and a few they do not, drawn at random.
std::u16string RandomText(std::mt19937& random, std::size_t length) {
  static const std::u16string kAlphabet = [] {
    std::u16string alphabet;
    for (char16_t unit = 0x0D00; unit < 0x0D80; ++unit) alphabet += unit;
    alphabet += u"\u0D4D\u0D4D\u0D4D\u0D46\u0D47\u0D48\u0D4A\u0D4B\u0D4C\u0D2F\u0D35\u0D30";
    alphabet += u"\u200C\u200D\u200D\u2018\u2019\u2013\u206F stvyzr{k\u00E4Iv \r\n\u4E2D\uFEFF";
    alphabet += u"bchmu!\u00A1\u00B3\u00C0\u0173\u0179\u0D4D\u0D43\u0D46\u0D47";
    alphabet += u"\xD83D\xDE00\xD83D\xDE00\xDC00\xD800";  // pairs and lone halves
    return alphabet;
  }();
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) text += kAlphabet[pick(random)];
  return text;
}

TEST(ConvertText, GivesWhatTheStagesGiveOneUnitAtATime) {
  std::mt19937 random(7);
  for (std::size_t round = 0; round < 20000; ++round) {
    const std::u16string text = RandomText(random, 1 + round % 40);
    ASSERT_EQ(testing::Hex(ConvertText(text)), testing::Hex(testing::ConvertStageByStage(text)))
        << "input " << testing::Hex(text);
  }
}

// A text added in pieces, cut anywhere (inside a cluster, between a surrogate pair's halves,
// past a slice of the pass), gives what the whole text gives.
TEST(TextConverter, PiecesGiveWhatTheWholeGives) {
  std::mt19937 random(13);
  for (std::size_t round = 0; round < 2000; ++round) {
    const bool is_long = round >= 1990;
    const std::u16string text = RandomText(random, is_long ? 40000 : 1 + round % 60);
    std::uniform_int_distribution<std::size_t> piece_length(0, is_long ? 20000 : 8);
    TextConverter converter(round % 3 == 0 ? 0 : text.size());  // too little room, or enough
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t length = piece_length(random);
      converter.Add(std::u16string_view(text).substr(at, length));
      at += length;
    }
    ASSERT_EQ(testing::Hex(std::move(converter).Finish()), testing::Hex(ConvertText(text)))
        << "input " << testing::Hex(text);
  }
}

}  // namespace
}  // namespace lipimattam
