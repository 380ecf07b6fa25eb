// The stages of a conversion pass. Each works in place on the end of the output and on the
// glyph string in hand; each skips a step that would read before the start of the output.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

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

// Which ASCII units can end a tail repair pair, and which can begin a placed sign: the quick
// tests that keep the common case of the stages short.
using AsciiSet = std::array<bool, 128>;

constexpr AsciiSet TailRepairLastUnits() {
  AsciiSet set{};
  for (const TailRepairPair& pair : TailRepairPairs) set[pair.last] = true;
  return set;
}

constexpr AsciiSet PlacedSignFirstUnits() {
  AsciiSet set{};
  for (const GlyphString& sign : PreBaseSigns) set[sign[0]] = true;
  for (const GlyphString& sign : TwoPartSigns) set[sign[0]] = true;
  return set;
}

inline constexpr AsciiSet kTailRepairLastUnits = TailRepairLastUnits();
inline constexpr AsciiSet kPlacedSignFirstUnits = PlacedSignFirstUnits();

constexpr bool InSet(const AsciiSet& set, char16_t unit) {
  return unit < set.size() && set[unit];
}

void PlaceSign(OutputText& output, GlyphString& current);

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
  if (output.empty() || current.size() > 2 ||
      !detail::InSet(detail::kPlacedSignFirstUnits, current[0])) {
    output.Append(current);
    return;
  }
  detail::PlaceSign(output, current);
}

// The rarer half of PlaceVowelSign, kept out of the hot loop.
inline void detail::PlaceSign(OutputText& output, GlyphString& current) {
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
  if (output.size() < 3 || !detail::InSet(detail::kTailRepairLastUnits, output.FromEnd(1))) return;
  for (const TailRepairPair& pair : TailRepairPairs) {
    if (output.FromEnd(2) != pair.second_last || output.FromEnd(1) != pair.last) continue;
    const std::size_t moved_length = detail::CharacterLengthEndingAt(output, 3);
    char16_t* tail = output.data() + output.size() - 2 - moved_length;
    std::rotate(tail, tail + moved_length, tail + moved_length + 1);
  }
}

// The index of the first `unit` at or after `from` in `text`, or npos. On little-endian
// machines the search runs over bytes with memchr, which scans many units per step.
inline std::size_t FindUnit(std::u16string_view text, char16_t unit, std::size_t from) {
  if constexpr (std::endian::native == std::endian::little) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t byte_count = text.size() * sizeof(char16_t);
    const auto low = static_cast<unsigned char>(unit & 0xFF);
    const auto high = static_cast<unsigned char>(unit >> 8);
    for (std::size_t at = from * sizeof(char16_t); at < byte_count;) {
      const void* hit = std::memchr(bytes + at, low, byte_count - at);
      if (hit == nullptr) break;
      const auto offset = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - bytes);
      // A hit on an odd byte is the high half of some unit; a hit with the wrong high half
      // is another unit with the same low half.
      if (offset % 2 == 0 && bytes[offset + 1] == high) return offset / 2;
      at = offset + 1;
    }
    return std::u16string_view::npos;
  } else {
    return text.find(unit, from);
  }
}

// The first occurrence of `find` at or after `from`, or npos.
// The search looks for the unit of highest value in `find`, the rarest in Malayalam text ("{"
// rather than "s", 0xE4 rather than "k"), and checks the units around it.
inline std::size_t FindText(std::u16string_view text, std::u16string_view find, std::size_t from) {
  const auto anchor =
      static_cast<std::size_t>(std::max_element(find.begin(), find.end()) - find.begin());
  for (std::size_t at = FindUnit(text, find[anchor], from + anchor);
       at != std::u16string_view::npos; at = FindUnit(text, find[anchor], at + 1)) {
    if (text.substr(at - anchor, find.size()) == find) return at - anchor;
  }
  return std::u16string_view::npos;
}

// Replaces every non-overlapping occurrence of the find string, left to right; units that a
// replacement wrote are not tested again by the same replacement.
inline void ApplyFixup(OutputText& output, const FixupReplacement& fixup) {
  const std::u16string_view find = fixup.find;
  const std::u16string_view replace = fixup.replace;
  // The text behind `read` is untouched: a replacement is never longer than what it finds.
  const std::u16string_view text = output.View();
  char16_t* data = output.data();
  std::size_t read = FindText(text, find, 0);
  std::size_t write = read;
  while (read != std::u16string_view::npos) {
    std::copy(replace.begin(), replace.end(), data + write);
    write += replace.size();
    read += find.size();
    const std::size_t next = FindText(text, find, read);
    const std::size_t kept_end = next == std::u16string_view::npos ? text.size() : next;
    if (write != read) std::copy(data + read, data + kept_end, data + write);
    write += kept_end - read;
    read = next;
    if (next == std::u16string_view::npos) output.Truncate(write);
  }
}

// The whole-text replacements, once after the last code unit, in their order.
inline void ApplyFinalFixups(OutputText& output) {
  for (const FixupReplacement& fixup : FixupReplacements) ApplyFixup(output, fixup);
}

}  // namespace lipimattam
