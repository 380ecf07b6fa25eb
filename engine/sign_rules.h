// The rules that bring Unicode's logical order into the order in which the font draws its
// glyphs: sub-joined signs, pre-base and two-part vowel signs, the tail repair and the final
// fix-ups.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string_view>

#include "engine/glyph_string.h"

namespace lipimattam {

// A consonant, the virama and YA, VA or RA become the consonant with a sub-joined sign.
struct SubjoinedSignRule {
  char16_t glyph;    // the letter in hand after the virama
  char16_t sign;     // the sign glyph that replaces the virama and the letter
  bool sign_before;  // drawn in front of its consonant (RA) rather than after it
};

inline constexpr SubjoinedSignRule SubjoinedSignRules[] = {
    {u'b', u'y', false},  // YA  -> YA sign after the consonant
    {u'h', u'z', false},  // VA  -> VA sign after the consonant
    {u'c', u'{', true},   // RA  -> RA sign, which stands before its consonant
};

// Vowel signs the font draws to the left of their consonant: each goes in front of the last
// unit of the line.
inline constexpr GlyphString PreBaseSigns[] = {
    u"s",  // VOWEL SIGN E
    u"t",  // VOWEL SIGN EE
};

// Vowel signs drawn as two glyphs. Each is placed as the two simple signs it is made of, one
// after the other, with the tail repair after each: the first (a pre-base sign) in front of the
// last unit, the second in front of it too if it is pre-base, else after it. So the pre-base
// half is carried across a YA, VA or vocalic R sign exactly like a lone E or EE sign, and a
// sign gives the same codes as its canonical decomposition (O = E + AA, OO = EE + AA,
// AU = E + AU length mark).
inline constexpr GlyphString TwoPartSigns[] = {
    u"ss",  // VOWEL SIGN AI: two E signs
    u"sm",  // VOWEL SIGN O: E sign, AA sign
    u"tm",  // VOWEL SIGN OO: EE sign, AA sign
    u"su",  // VOWEL SIGN AU: E sign, AU length mark
};

// A pre-base sign that landed between a consonant and its YA, VA or vocalic R sign; each
// check runs on the text as the one before left it. The RA sign is carried across the same
// signs: the last units of these pairs (see ApplySubjoinedSigns).
struct TailRepairPair {
  char16_t second_last;
  char16_t last;
};

inline constexpr TailRepairPair TailRepairPairs[] = {
    {u't', u'y'},  // EE sign, YA sign
    {u's', u'y'},  // E sign, YA sign
    {u't', u'z'},  // EE sign, VA sign
    {u's', u'z'},  // E sign, VA sign
    {u't', u'r'},  // EE sign, vocalic R sign
    {u's', u'r'},  // E sign, vocalic R sign
};

// Whole-text replacements after the last code unit, in this order, each left to right over
// non-overlapping occurrences. A replacement is never longer than what it finds.
struct FixupReplacement {
  std::u16string_view find;
  std::u16string_view replace;
};

inline constexpr FixupReplacement FixupReplacements[] = {
    {u"{ss", u"ss{"},          // both halves of the AI sign stand before the RA sign
    {u"{s", u"s{"},            // E sign before the RA sign
    {u"{t", u"t{"},            // EE sign before the RA sign
    {u"kv\u00E4", u"\u00CC"},  // SA + VIRAMA + (RRA + VIRAMA + RRA) -> one ligature
};

// A line break ends the text that the rules see: every stage treats what follows the last line
// break as the whole output, so a sign at the start of a line never jumps in front of the
// break, and every line converts as it would alone.
inline constexpr char16_t LineBreaks[] = {
    u'\n',      // LINE FEED
    u'\r',      // CARRIAGE RETURN (alone, or the first of CR LF)
    u'\u2028',  // LINE SEPARATOR
    u'\u2029',  // PARAGRAPH SEPARATOR
};

[[nodiscard]] constexpr bool IsLineBreak(char16_t unit) {
  return std::find(std::begin(LineBreaks), std::end(LineBreaks), unit) != std::end(LineBreaks);
}

namespace detail {

constexpr bool FixupsNeverGrow() {
  for (const FixupReplacement& fixup : FixupReplacements)
    if (fixup.find.empty() || fixup.replace.size() > fixup.find.size()) return false;
  return true;
}

constexpr bool IsPreBaseSign(char16_t unit) {
  for (const GlyphString& sign : PreBaseSigns)
    if (sign == GlyphString(unit)) return true;
  return false;
}

constexpr bool TwoPartSignsBeginPreBase() {
  for (const GlyphString& sign : TwoPartSigns)
    if (sign.size() != 2 || !IsPreBaseSign(sign[0])) return false;
  return true;
}

// No rule's text holds a line break, so no rule can match across one.
constexpr bool RulesHoldNoLineBreak() {
  const auto breaks = [](std::u16string_view text) {
    return std::any_of(text.begin(), text.end(), IsLineBreak);
  };
  for (const FixupReplacement& fixup : FixupReplacements)
    if (breaks(fixup.find) || breaks(fixup.replace)) return false;
  for (const TailRepairPair& pair : TailRepairPairs)
    if (IsLineBreak(pair.second_last) || IsLineBreak(pair.last)) return false;
  return true;
}

}  // namespace detail

static_assert(detail::FixupsNeverGrow(), "the fix-ups rewrite the text in place");
static_assert(detail::TwoPartSignsBeginPreBase(),
              "a two-part sign is a pre-base sign and a second simple sign");
static_assert(detail::RulesHoldNoLineBreak(),
              "no rule may see a line break: a sign never moves across the end of a line");

}  // namespace lipimattam
