// The display font against the font it was made from: every code with a meaning has a glyph,
// and converted words look glyph for glyph and unit for unit like the Unicode words.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>

#include "font/shaping.h"
#include "tests/test_text.h"

namespace lipimattam {
namespace {

using testing::Hex;

constexpr char16_t kDisplayCopy = 0xF000;

const Shaper& DisplayFont() {
  static const Shaper font(LIPIMATTAM_DISPLAY_FONT);
  return font;
}

const Shaper& SourceFont() {
  static const Shaper font(LIPIMATTAM_SOURCE_FONT);
  return font;
}

// A code the reverse direction reads as a character that is drawn: DEL is a control.
bool HasMeaning(char16_t code) {
  return code != 0x7F && ConvertToUnicode(std::u16string(1, code)).unknown_codes == 0;
}

// The codes as the output box shows them: each glyph code at U+F000 + code.
std::u16string DisplayCopy(std::u16string_view codes) {
  std::u16string shown(codes);
  for (char16_t& unit : shown)
    if (unit > 0x20 && unit <= 0xFF) unit = static_cast<char16_t>(kDisplayCopy + unit);
  return shown;
}

std::string Names(const std::vector<ShapedGlyph>& glyphs) {
  std::string names;
  for (const ShapedGlyph& glyph : glyphs) {
    char position[64];
    std::snprintf(position, sizeof position, "@%d%+d%+d", glyph.x_advance, glyph.x_offset,
                  glyph.y_offset);
    names += (names.empty() ? "" : " ") + glyph.name + position;
  }
  return names;
}

TEST(DisplayFont, HasAGlyphForEveryCodeWithAMeaningInBothPlaces) {
  ASSERT_TRUE(DisplayFont().Loaded()) << LIPIMATTAM_DISPLAY_FONT;
  for (char16_t code = 0x21; code <= 0xFF; ++code) {
    const bool meaningful = HasMeaning(code);
    EXPECT_EQ(DisplayFont().HasGlyph(code), meaningful) << Hex(std::u16string(1, code));
    EXPECT_EQ(DisplayFont().HasGlyph(kDisplayCopy + code), meaningful)
        << Hex(std::u16string(1, code));
  }
  EXPECT_TRUE(DisplayFont().HasGlyph(u' '));
  EXPECT_FALSE(DisplayFont().HasGlyph(u'\u0D15'));  // Unicode Malayalam is not its business
}

// Every word that needs no code the encoding lacks looks the same: neither its codes nor the
// source draw a visible virama (a conjunct or chillu that one side has no code or glyph for),
// and the display font has every glyph the source draws for it (none has the LA sign under
// KA-RA in KLA with the RA sign). The other words are counted.
TEST(DisplayFont, DrawsConvertedWordsAsTheSourceDrawsTheUnicodeWords) {
  const std::vector<std::u16string> words = FontTestWords();
  ASSERT_GE(words.size(), 2000u);
  const std::set<std::string> display_glyphs = DisplayFont().GlyphNames();
  const std::string virama = DisplayFont().Shape(DisplayCopy(u"v")).back().name;
  std::size_t lacking = 0;
  std::size_t lacking_alike = 0;
  std::size_t failures = 0;
  for (const std::u16string& word : words) {
    const std::u16string codes = ConvertText(word);
    const std::vector<ShapedGlyph> converted = DisplayFont().Shape(DisplayCopy(codes));
    const std::vector<ShapedGlyph> source = SourceFont().Shape(word);
    // Shapers hide U+00AD as a soft hyphen: the reason the box shows the display copy.
    if (codes.find(u'\u00AD') == std::u16string::npos) {
      EXPECT_EQ(Names(DisplayFont().Shape(codes)), Names(converted)) << Hex(codes);
    }
    const bool needs_no_missing_code =
        codes.find(u'v') == std::u16string::npos &&
        std::all_of(source.begin(), source.end(), [&](const ShapedGlyph& glyph) {
          return glyph.name != virama && display_glyphs.contains(glyph.name);
        });
    if (!needs_no_missing_code) {
      ++lacking;
      lacking_alike += converted == source;
      continue;
    }
    if (converted != source && ++failures <= 20)
      ADD_FAILURE() << Hex(word) << " as " << Hex(codes) << "\n  display font " << Names(converted)
                    << "\n  source font  " << Names(source);
  }
  EXPECT_EQ(failures, 0u);
  std::printf(
      "%zu words: the %zu that need no code the encoding lacks all look the same; of "
      "the %zu others %zu do too (%.1f %% in all)\n",
      words.size(), words.size() - lacking, lacking, lacking_alike,
      100.0 * static_cast<double>(words.size() - lacking + lacking_alike) /
          static_cast<double>(words.size()));
}

// "!" and "-" after the virama are the joiners and draw nothing; elsewhere they are themselves.
TEST(DisplayFont, JoinersAfterTheViramaDrawNothing) {
  const std::vector<ShapedGlyph> virama_alone = DisplayFont().Shape(DisplayCopy(u"Iv"));
  EXPECT_EQ(Names(DisplayFont().Shape(DisplayCopy(u"Iv!"))), Names(virama_alone));
  EXPECT_EQ(Names(DisplayFont().Shape(DisplayCopy(u"Iv-"))), Names(virama_alone));
  EXPECT_EQ(DisplayFont().Shape(DisplayCopy(u"I!")).size(), 2u);
  EXPECT_EQ(DisplayFont().Shape(DisplayCopy(u"I-")).size(), 2u);
}

}  // namespace
}  // namespace lipimattam
