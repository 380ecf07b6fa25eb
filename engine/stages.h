// The stages of a conversion pass. Each works in place on the end of the output and on the
// glyph string in hand; each skips a step that would read before the start of the output.
#pragma once

#include <algorithm>
#include <cstddef>

#include "engine/conjunct_table.h"
#include "engine/glyph_string.h"
#include "engine/output_text.h"
#include "engine/sign_rules.h"

namespace lipimattam {

namespace detail {

constexpr bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// How many units the character ending at FromEnd(k) takes: 2 for the low half of a surrogate
// pair whose high half stands just before it, else 1. A sign moved in front of a character
// goes in front of the whole pair, so the pair is never split.
inline std::size_t CharacterLengthEndingAt(const OutputText& output, std::size_t k) {
  return (k < output.size() && IsLowSurrogate(output.FromEnd(k)) &&
          IsHighSurrogate(output.FromEnd(k + 1)))
             ? 2
             : 1;
}

template <std::size_t N>
constexpr bool Contains(const GlyphString (&table)[N], const GlyphString& glyphs) {
  return std::find(std::begin(table), std::end(table), glyphs) != std::end(table);
}

constexpr bool CanEndTailRepairPair(char16_t unit) {
  return std::any_of(std::begin(TailRepairPairs), std::end(TailRepairPairs),
                     [unit](const TailRepairPair& pair) { return pair.last == unit; });
}

constexpr bool CanStartPlacedSign(char16_t unit) {
  for (const GlyphString& sign : PreBaseSigns)
    if (sign[0] == unit) return true;
  for (const GlyphString& sign : TwoPartSigns)
    if (sign[0] == unit) return true;
  return false;
}

}  // namespace detail

// A consonant and the virama at the end of the output, with a consonant or the zero width
// joiner in hand, become one ligature code in hand when the conjunct table has their row.
inline void ApplyConjunctRules(OutputText& output, GlyphString& current) {
  if (output.size() < 2 || current.size() != 1) return;
  const char16_t last = output.FromEnd(1);
  const char16_t second_last = output.FromEnd(2);
  // Every row ends in the virama and holds glyph codes only; this filter is the hot path.
  if (last != kViramaGlyph || second_last > 0xFF || current[0] > 0xFF) return;
  const std::uint8_t row = kConjunctIndex[second_last * 256u + current[0]];
  if (row == 0) return;
  const ConjunctRule& rule = ConjunctTable[row - 1];
  if (rule.Last != last) return;
  current = GlyphString(char16_t{rule.Ligature});
  output.RemoveLast(2);
}

// The virama and YA, VA or RA in hand become the sub-joined sign with the unit before the
// virama, whatever that unit is: after it for YA and VA, in front of it for RA.
inline void ApplySubjoinedSigns(OutputText& output, GlyphString& current) {
  if (output.size() < 2 || current.size() != 1 || output.FromEnd(1) != kViramaGlyph) return;
  for (const SubjoinedSignRule& rule : SubjoinedSignRules) {
    if (current[0] != rule.glyph) continue;
    GlyphString joined;
    if (rule.sign_before) {
      const std::size_t consonant_length = detail::CharacterLengthEndingAt(output, 2);
      joined.Push(rule.sign);
      for (std::size_t k = consonant_length + 1; k >= 2; --k) joined.Push(output.FromEnd(k));
      output.RemoveLast(consonant_length + 1);
    } else {
      joined.Push(output.FromEnd(2));
      joined.Push(rule.sign);
      output.RemoveLast(2);
    }
    current = joined;
    return;
  }
}

// Puts the glyph string in hand into the output: a pre-base sign in front of the last
// character, a two-part sign around it, everything else at the end. A sign that finds the
// output empty is appended as it stands, so a stray sign at the start of a text is kept.
inline void PlaceVowelSign(OutputText& output, GlyphString& current) {
  if (output.empty() || !detail::CanStartPlacedSign(current[0])) {
    output.Append(current);
    return;
  }
  const bool pre_base = detail::Contains(PreBaseSigns, current);
  if (!pre_base && !detail::Contains(TwoPartSigns, current)) {
    output.Append(current);
    return;
  }
  const std::size_t base_length = detail::CharacterLengthEndingAt(output, 1);
  GlyphString placed;
  placed.Push(current[0]);
  if (pre_base && current.size() == 2) placed.Push(current[1]);
  for (std::size_t k = base_length; k >= 1; --k) placed.Push(output.FromEnd(k));
  if (!pre_base) placed.Push(current[1]);
  output.RemoveLast(base_length);
  output.Append(placed);
  current = placed;
}

// Carries an E or EE sign that landed between a consonant and its YA, VA or vocalic R sign
// in front of the consonant: the third-last and second-last units change places. The checks
// run one after another, each on the text the one before left.
inline void RepairTail(OutputText& output) {
  if (output.size() < 3 || !detail::CanEndTailRepairPair(output.FromEnd(1))) return;
  for (const TailRepairPair& pair : TailRepairPairs) {
    if (output.FromEnd(2) != pair.second_last || output.FromEnd(1) != pair.last) continue;
    const std::size_t moved_length = detail::CharacterLengthEndingAt(output, 3);
    char16_t* tail = output.data() + output.size() - 2 - moved_length;
    std::rotate(tail, tail + moved_length, tail + moved_length + 1);
  }
}

// Replaces every non-overlapping occurrence of the find string, left to right; units that a
// replacement wrote are not tested again by the same replacement.
inline void ApplyFixup(OutputText& output, const FixupReplacement& fixup) {
  const std::u16string_view find = fixup.find.View();
  const std::u16string_view replace = fixup.replace.View();
  std::size_t read = output.View().find(find);
  if (read == std::u16string_view::npos) return;
  char16_t* data = output.data();
  const std::size_t size = output.size();
  std::size_t write = read;
  while (read < size) {
    if (data[read] == find[0] && size - read >= find.size() &&
        std::u16string_view(data + read, find.size()) == find) {
      std::copy(replace.begin(), replace.end(), data + write);
      write += replace.size();
      read += find.size();
    } else {
      data[write++] = data[read++];
    }
  }
  output.Truncate(write);
}

// The whole-text replacements, once after the last code unit, in their order.
inline void ApplyFinalFixups(OutputText& output) {
  for (const FixupReplacement& fixup : FixupReplacements) ApplyFixup(output, fixup);
}

}  // namespace lipimattam
