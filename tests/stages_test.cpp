// The stages called on their own, as a caller that builds its own pass would.
#include "engine/stages.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/test_text.h"

namespace lipimattam {
namespace {

using testing::Hex;

struct StageCase {
  std::u16string output;
  GlyphString current;
  std::u16string expected_output;
  GlyphString expected_current;
};

void ExpectStage(void (*stage)(OutputText&, GlyphString&), const StageCase& c) {
  OutputText output(c.output);
  GlyphString current = c.current;
  stage(output, current);
  EXPECT_EQ(Hex(output.View()), Hex(c.expected_output)) << "output " << Hex(c.output);
  EXPECT_EQ(Hex(current.Text()), Hex(c.expected_current.Text())) << "output " << Hex(c.output);
}

TEST(ApplyConjunctRules, TakesTheTwoCodesBackAndHoldsTheLigature) {
  const StageCase cases[] = {
      {u"xIv", u"I", u"x", u"\u00A1"},
      {u"Iv", u"I", u"", u"\u00A1"},
      {u"v", u"I", u"v", u"I"},              // one unit: the stage reads nothing
      {u"Iv", u"Iv", u"Iv", u"Iv"},          // a two-unit glyph string never matches
      {u"Ix", u"I", u"Ix", u"I"},            // no virama last
      {u"\u0149v", u"I", u"\u0149v", u"I"},  // a unit above 0xFF is no consonant code
  };
  for (const StageCase& c : cases) ExpectStage(ApplyConjunctRules, c);
}

TEST(ApplySubjoinedSigns, MakesTheSignWithTheUnitBeforeTheVirama) {
  const StageCase cases[] = {
      {u"aIv", u"b", u"a", u"Iy"},  {u"aIv", u"h", u"a", u"Iz"},
      {u"aIv", u"c", u"a", u"{I"},  {u"v", u"b", u"v", u"b"},  // one unit: the stage reads nothing
      {u"Iv", u"bb", u"Iv", u"bb"},  // the whole glyph string must be the letter
      {u"Ix", u"b", u"Ix", u"b"},
  };
  for (const StageCase& c : cases) ExpectStage(ApplySubjoinedSigns, c);
}

TEST(PlaceVowelSign, PutsTheSignWhereTheFontDrawsIt) {
  struct Case {
    std::u16string output;
    GlyphString current;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"aI", u"s", u"asI"},
      {u"aI", u"ss", u"assI"},
      {u"aI", u"sm", u"asIm"},
      {u"aI", u"sF", u"aIsF"},  // LETTER AI is no sign
      {u"", u"s", u"s"},
      {u"", u"su", u"su"},
      {u"", u"I", u"I"},
      {u"", u"ss", u"ss"},  // the second E sign goes in front of the first
      // The first half of a two-part sign is followed by the tail repair; the pass repairs
      // after the second.
      {u"Iy", u"ss", u"sIsy"},
      {u"Iy", u"sm", u"sIym"},
      {u"Iz", u"tm", u"tIzm"},
      {u"Ir", u"su", u"sIru"},
      {u"y", u"sm", u"sym"},  // too short for the repair
      // A line break is where the text begins.
      {u"I\n", u"s", u"I\ns"},
      {u"I\r", u"sm", u"I\rsm"},
      {u"I\u2029", u"ss", u"I\u2029ss"},
      {u"I\nI", u"t", u"I\ntI"},
      {u"I\nIy", u"sm", u"I\nsIym"},
      {u"I\ny", u"sm", u"I\nsym"},
  };
  for (const Case& c : cases) {
    OutputText output(c.output);
    PlaceVowelSign(output, c.current);
    EXPECT_EQ(Hex(output.View()), Hex(c.expected))
        << "output " << Hex(c.output) << " sign " << Hex(c.current.Text());
  }
}

TEST(RepairTail, SwapsOnlyTheListedPairs) {
  struct Case {
    std::u16string text;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"Ity", u"tIy"}, {u"Isz", u"sIz"}, {u"Itr", u"tIr"},   {u"Isy", u"sIy"},
      {u"sy", u"sy"},  // two units: nothing is read
      {u"stz", u"stz"}, {u"tsr", u"str"}, {u"Ity ", u"Ity "}, {u"Ixy", u"Ixy"},
  };
  for (const Case& c : cases) {
    OutputText output(c.text);
    RepairTail(output);
    EXPECT_EQ(output.View(), c.expected) << Hex(c.text);
  }
}

TEST(ApplyFinalFixups, ReplaceLeftToRightWithoutOverlap) {
  struct Case {
    std::u16string text;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"", u""},
      {u"{sI{tI", u"s{It{I"},
      {u"{{s", u"{s{"},
      {u"{{ss", u"s{s{"},
      {u"kvkv\u00E4", u"kv\u00CC"},
      {u"k{v\u00E4", u"k{v\u00E4"},
      {u"{", u"{"},
      {u"kv", u"kv"},
  };
  for (const Case& c : cases) {
    OutputText output(c.text);
    ApplyFinalFixups(output);
    EXPECT_EQ(Hex(output.View()), Hex(c.expected)) << Hex(c.text);
  }
}

// The replacements are applied together, in one scan that looks for pairs of units in blocks;
// they must give what they give one after another over the whole text, on long runs of their
// units too, and in two parts cut where no fix-up's unit ends the first. U+017B, U+0173,
// U+0176 and U+01E4 share their low byte with "{", "s", "v" and "\u00E4" but are not theirs.
TEST(ApplyFinalFixups, GiveWhatEachReplacementGivesInTurn) {
  const std::u16string alphabet = u"{{{sssttkkvv\u00E4\u00E4 I\u017B\u0173\u0176\u01E4";
  std::mt19937 random(11);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  for (std::size_t round = 0; round < 5000; ++round) {
    std::u16string text;
    for (std::size_t i = 0; i < 1 + round % 100; ++i) text += alphabet[pick(random)];
    OutputText in_turn(text);
    for (const FixupReplacement& fixup : FixupReplacements) ApplyFixup(in_turn, fixup);
    OutputText together(text);
    ApplyFinalFixups(together);
    ASSERT_EQ(Hex(together.View()), Hex(in_turn.View())) << Hex(text);
    const std::size_t cut = std::uniform_int_distribution<std::size_t>(0, text.size())(random);
    if (cut != 0 && detail::IsFixupUnit(text[cut - 1])) continue;
    OutputText in_parts(text);
    const std::size_t second_from = ApplyFixupsWithin(in_parts, 0, cut);
    ApplyFixupsWithin(in_parts, second_from, in_parts.size());
    ASSERT_EQ(Hex(in_parts.View()), Hex(in_turn.View())) << Hex(text) << " cut at " << cut;
  }
}

}  // namespace
}  // namespace lipimattam
