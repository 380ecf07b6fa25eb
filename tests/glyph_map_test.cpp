#include "engine/glyph_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/test_text.h"

namespace lipimattam {
namespace {

using testing::Hex;

struct MapCase {
  std::int32_t value;
  std::u16string expected;
};

void PrintTo(const MapCase& c, std::ostream* os) {
  *os << c.value << " -> " << Hex(c.expected);
}

// Named by the value: U0D15, or minus1 for -1.
std::string ValueName(const ::testing::TestParamInfo<MapCase>& c) {
  char name[24];
  if (c.param.value < 0) {
    std::snprintf(name, sizeof name, "minus%d", -c.param.value);
  } else {
    std::snprintf(name, sizeof name, "U%04X", static_cast<unsigned>(c.param.value));
  }
  return name;
}

class MapCodeUnitTest : public ::testing::TestWithParam<MapCase> {};

TEST_P(MapCodeUnitTest, GivesTheGlyphString) {
  const MapCase& c = GetParam();
  EXPECT_EQ(MapCodeUnit(c.value).Text(), c.expected)
      << "value " << c.value << " gave " << Hex(MapCodeUnit(c.value).Text());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MapCodeUnitTest,
    ::testing::Values(MapCase{0x0D02, u"w"}, MapCase{0x0D03, u"x"}, MapCase{0x0D05, u"A"},
                      MapCase{0x0D08, u"Cu"}, MapCase{0x0D0A, u"Du"}, MapCase{0x0D10, u"sF"},
                      MapCase{0x0D13, u"Hm"}, MapCase{0x0D14, u"Hu"},
                      // Two vowels and the chillu L share one code.
                      MapCase{0x0D0C, u"\u00C2"}, MapCase{0x0D61, u"\u00C2"},
                      MapCase{0x0D60, u"\u00C0"},
                      // Consonants run 0x49.. then, past the gap at U+0D29, 0x5D..
                      MapCase{0x0D15, u"I"}, MapCase{0x0D28, u"\\"}, MapCase{0x0D2A, u"]"},
                      MapCase{0x0D2D, u"`"}, MapCase{0x0D39, u"l"}, MapCase{0x0D3E, u"m"},
                      MapCase{0x0D43, u"r"}, MapCase{0x0D46, u"s"}, MapCase{0x0D47, u"t"},
                      MapCase{0x0D48, u"ss"}, MapCase{0x0D4A, u"sm"}, MapCase{0x0D4B, u"tm"},
                      MapCase{0x0D4C, u"su"}, MapCase{0x0D4D, u"v"}, MapCase{0x0D57, u"u"},
                      MapCase{0x0D66, u"0"}, MapCase{0x0D6F, u"9"}, MapCase{0x200C, u"-"},
                      MapCase{0x200D, u"!"}),
    ValueName);

// The atomic chillu letters give what consonant, virama and joiner give.
INSTANTIATE_TEST_SUITE_P(Chillus, MapCodeUnitTest,
                         ::testing::Values(MapCase{0x0D7A, u"\u00AC"}, MapCase{0x0D7B, u"\u00B3"},
                                           MapCase{0x0D7C, u"\u00C0"}, MapCase{0x0D7D, u"\u00C2"},
                                           MapCase{0x0D7E, u"\u00C4"}, MapCase{0x0D7F, u"Iv!"}),
                         ValueName);

// Values without a row come back as the unit itself; negative values as their 16-bit unit.
INSTANTIATE_TEST_SUITE_P(Unchanged, MapCodeUnitTest,
                         ::testing::Values(MapCase{0x0041, u"A"}, MapCase{0x0D00, u"\u0D00"},
                                           MapCase{0x0D01, u"\u0D01"}, MapCase{0x0D04, u"\u0D04"},
                                           MapCase{0x0D29, u"\u0D29"}, MapCase{0x0D44, u"\u0D44"},
                                           MapCase{0x0D62, u"\u0D62"}, MapCase{0x0D70, u"\u0D70"},
                                           MapCase{0x0D79, u"\u0D79"}, MapCase{0x0D80, u"\u0D80"},
                                           MapCase{0x200B, u"\u200B"}, MapCase{0x200E, u"\u200E"},
                                           MapCase{0xFFFF, u"\uFFFF"}, MapCase{-1, u"\uFFFF"},
                                           MapCase{-32768, u"\u8000"}),
                         ValueName);

TEST(MapCodeUnit, NeverEmptyAndAtMostThreeUnits) {
  for (std::int32_t value = -32768; value <= 0xFFFF; ++value) {
    const GlyphString glyphs = MapCodeUnit(value);
    ASSERT_GE(glyphs.size(), 1u) << value;
    ASSERT_LE(glyphs.size(), 3u) << value;
  }
}

}  // namespace
}  // namespace lipimattam
