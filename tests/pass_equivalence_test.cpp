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

TEST(ConvertText, GivesWhatTheStagesGiveOneUnitAtATime) {
  std::mt19937 random(7);
  for (std::size_t round = 0; round < 20000; ++round) {
    const std::u16string text = testing::RandomText(random, 1 + round % 40);
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
    const std::u16string text = testing::RandomText(random, is_long ? 40000 : 1 + round % 60);
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
