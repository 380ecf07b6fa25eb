// The rules that bring Unicode's logical order into the order in which the font draws its
// glyphs: sub-joined signs, pre-base and two-part vowel signs, the tail repair and the final
// fix-ups.
#pragma once

#include <cstddef>
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

// Vowel signs the font draws to the left of their consonant.
inline constexpr GlyphString PreBaseSigns[] = {
    u"s",   // VOWEL SIGN E
    u"t",   // VOWEL SIGN EE
    u"ss",  // VOWEL SIGN AI: two E-sign glyphs
};

// Vowel signs drawn on both sides of their consonant: first unit before, second after.
inline constexpr GlyphString TwoPartSigns[] = {
    u"sm",  // VOWEL SIGN O
    u"tm",  // VOWEL SIGN OO
    u"su",  // VOWEL SIGN AU
};

// A pre-base sign that landed between a consonant and its YA, VA or vocalic R sign; each
// check runs on the text as the one before left it.
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

namespace detail {

constexpr bool FixupsNeverGrow() {
  for (const FixupReplacement& fixup : FixupReplacements)
    if (fixup.find.empty() || fixup.replace.size() > fixup.find.size()) return false;
  return true;
}

}  // namespace detail

static_assert(detail::FixupsNeverGrow(), "the fix-ups rewrite the text in place");

}  // namespace lipimattam
