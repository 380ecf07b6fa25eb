// The stages of a conversion pass. Each works in place on the end of the output and on the
// glyph string in hand; none reads back across a line break or before the start of the output.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

#include <lipimattam/utf16.h>

#include "engine/conjunct_table.h"
#include "engine/glyph_string.h"
#include "engine/output_text.h"
#include "engine/sign_rules.h"

namespace lipimattam {

namespace detail {

// How many units the character ending at FromEnd(k) takes: 2 for the low half of a surrogate
// pair whose high half stands just before it, else 1. A sign moved in front of a character
// goes in front of the whole pair, so the pair is never split.
inline std::size_t CharacterLengthEndingAt(const OutputText& output, std::size_t k) {
  return (k < output.size() && IsLowSurrogate(output.FromEnd(k)) &&
          IsHighSurrogate(output.FromEnd(k + 1)))
             ? 2
             : 1;
}

// Whether the last line of the output (what follows its last line break) holds at least n
// units: the stages read no further back than that.
inline bool LineHolds(const OutputText& output, std::size_t n) {
  if (output.size() < n) return false;
  for (std::size_t k = 1; k <= n; ++k)
    if (IsLineBreak(output.FromEnd(k))) return false;
  return true;
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

void PlaceSign(OutputText& output, const GlyphString& current);

}  // namespace detail

// A consonant and the virama at the end of the output, with a consonant or the zero width
// joiner in hand, become one ligature code in hand when the conjunct table has their row.
inline void ApplyConjunctRules(OutputText& output, GlyphString& current) {
  if (current.size() != 1 || !detail::LineHolds(output, 2)) return;
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
// virama, whatever that unit is: after it for YA and VA, in front of it for RA. The RA sign
// stands in front of a consonant's YA, VA or vocalic R sign as a pre-base vowel sign does: after
// such a sign it goes in front of the unit before the sign, so A "y", virama, RA gives "{" A "y"
// (YA sign typed before the RA sign gives what the other order gives).
inline void ApplySubjoinedSigns(OutputText& output, GlyphString& current) {
  if (current.size() != 1 || !detail::LineHolds(output, 2) || output.FromEnd(1) != kViramaGlyph)
    return;
  for (const SubjoinedSignRule& rule : SubjoinedSignRules) {
    if (current[0] != rule.glyph) continue;
    GlyphString joined;
    if (rule.sign_before) {
      // The units from FromEnd(from) to FromEnd(2) go behind the sign.
      std::size_t from = detail::CharacterLengthEndingAt(output, 2) + 1;
      if (detail::InSet(detail::kTailRepairLastUnits, output.FromEnd(2)) &&
          detail::LineHolds(output, 3))
        from = detail::CharacterLengthEndingAt(output, 3) + 2;
      joined.Push(rule.sign);
      for (std::size_t k = from; k >= 2; --k) joined.Push(output.FromEnd(k));
      output.RemoveLast(from);
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
// character of the line, a two-part sign as its two simple signs one after the other (with the
// tail repair between them), everything else at the end. A sign that finds the line empty is
// appended as it stands, so a stray sign at the start of a text or a line is kept where it is.
inline void PlaceVowelSign(OutputText& output, const GlyphString& current) {
  if (current.size() > 2 || !detail::InSet(detail::kPlacedSignFirstUnits, current[0])) {
    output.Append(current);
    return;
  }
  detail::PlaceSign(output, current);
}

// Carries an E or EE sign that landed between a consonant and its YA, VA or vocalic R sign
// in front of the consonant: the third-last and second-last units change places. The checks
// run one after another, each on the text the one before left.
inline void RepairTail(OutputText& output) {
  if (output.size() < 3 || !detail::InSet(detail::kTailRepairLastUnits, output.FromEnd(1)) ||
      !detail::LineHolds(output, 3))
    return;
  for (const TailRepairPair& pair : TailRepairPairs) {
    if (output.FromEnd(2) != pair.second_last || output.FromEnd(1) != pair.last) continue;
    const std::size_t moved_length = detail::CharacterLengthEndingAt(output, 3);
    char16_t* tail = output.data() + output.size() - 2 - moved_length;
    std::rotate(tail, tail + moved_length, tail + moved_length + 1);
  }
}

// The rarer half of PlaceVowelSign, kept out of the hot loop.
inline void detail::PlaceSign(OutputText& output, const GlyphString& current) {
  const auto place_simple = [&output](char16_t sign) {
    if (!IsPreBaseSign(sign) || !LineHolds(output, 1)) {
      output.Append(sign);
      return;
    }
    const std::size_t base_length = CharacterLengthEndingAt(output, 1);
    GlyphString placed(sign);
    for (std::size_t k = base_length; k >= 1; --k) placed.Push(output.FromEnd(k));
    output.RemoveLast(base_length);
    output.Append(placed);
  };
  if (Contains(PreBaseSigns, current)) {
    place_simple(current[0]);
  } else if (Contains(TwoPartSigns, current)) {
    place_simple(current[0]);
    RepairTail(output);
    place_simple(current[1]);
  } else {
    output.Append(current);
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

namespace detail {

// Consecutive fix-ups that keep the length of what they replace and whose find strings all
// hold one unit, the anchor, are applied together. Their find and replace strings use only
// the units of the group's alphabet, so every match lies inside a maximal run of such units
// and rewriting a run leaves the runs as they were: each run that holds the anchor can take
// the group's replacements in their order on its own, and runs without it have no match.
// Applied so, the group needs one scan of the text instead of one per replacement.
struct FixupGroup {
  std::size_t first = 0;
  std::size_t count = 0;
  bool keeps_length = false;
  char16_t anchor = 0;
  std::array<bool, 0x100> alphabet{};  // the groups that keep the length use glyph codes only
};

constexpr std::size_t kFixupCount = std::size(FixupReplacements);

constexpr bool KeepsLength(const FixupReplacement& fixup) {
  return fixup.find.size() == fixup.replace.size();
}

constexpr bool UsesGlyphCodesOnly(const FixupReplacement& fixup) {
  return std::all_of(fixup.find.begin(), fixup.find.end(), [](char16_t u) { return u <= 0xFF; }) &&
         std::all_of(fixup.replace.begin(), fixup.replace.end(),
                     [](char16_t u) { return u <= 0xFF; });
}

// The unit of highest value, the rarest in Malayalam text, that every find string of
// FixupReplacements[first, first + count) holds; 0 when there is none.
constexpr char16_t CommonAnchor(std::size_t first, std::size_t count) {
  char16_t anchor = 0;
  for (const char16_t unit : FixupReplacements[first].find) {
    bool everywhere = true;
    for (std::size_t i = first; i < first + count; ++i)
      everywhere = everywhere && FixupReplacements[i].find.find(unit) != std::u16string_view::npos;
    if (everywhere && unit > anchor) anchor = unit;
  }
  return anchor;
}

struct FixupGroups {
  std::array<FixupGroup, kFixupCount> groups{};
  std::size_t count = 0;
};

constexpr FixupGroups BuildFixupGroups() {
  FixupGroups result;
  for (std::size_t first = 0; first < kFixupCount;) {
    FixupGroup group;
    group.first = first;
    group.count = 1;
    const auto joinable = [](const FixupReplacement& fixup) {
      return KeepsLength(fixup) && UsesGlyphCodesOnly(fixup);
    };
    group.keeps_length = joinable(FixupReplacements[first]) && CommonAnchor(first, 1) != 0;
    while (group.keeps_length && first + group.count < kFixupCount &&
           joinable(FixupReplacements[first + group.count]) &&
           CommonAnchor(first, group.count + 1) != 0)
      ++group.count;
    group.anchor = CommonAnchor(first, group.count);
    for (std::size_t i = first; i < first + group.count; ++i) {
      for (const char16_t unit : FixupReplacements[i].find) group.alphabet[unit & 0xFF] = true;
      for (const char16_t unit : FixupReplacements[i].replace) group.alphabet[unit & 0xFF] = true;
    }
    result.groups[result.count++] = group;
    first += group.count;
  }
  return result;
}

inline constexpr FixupGroups kFixupGroups = BuildFixupGroups();

// The three replacements around the RA sign go together; the SA ligature, which shortens the
// text, goes alone.
static_assert(kFixupGroups.count == 2 && kFixupGroups.groups[0].count == 3 &&
                  kFixupGroups.groups[0].anchor == u'{' && !kFixupGroups.groups[1].keeps_length,
              "the grouping of FixupReplacements changed: if the RA sign's three no longer share "
              "a scan the fix-ups slow down; update this check with the table");

constexpr bool InAlphabet(const FixupGroup& group, char16_t unit) {
  return unit <= 0xFF && group.alphabet[unit];
}

// The group's replacements in their order, on one run of the text; none changes its length.
inline void ApplyFixupsToRun(const FixupGroup& group, char16_t* run, std::size_t length) {
  for (std::size_t i = group.first; i < group.first + group.count; ++i) {
    const std::u16string_view find = FixupReplacements[i].find;
    const std::u16string_view replace = FixupReplacements[i].replace;
    for (std::size_t at = 0; at + find.size() <= length;) {
      if (std::u16string_view(run + at, find.size()) == find) {
        std::copy(replace.begin(), replace.end(), run + at);
        at += find.size();
      } else {
        ++at;
      }
    }
  }
}

// Finds each run of the group's alphabet that holds its anchor and rewrites it.
inline void ApplyFixupGroup(OutputText& output, const FixupGroup& group) {
  const std::u16string_view text = output.View();
  char16_t* data = output.data();
  std::size_t done = 0;  // the text before this holds no run left to rewrite
  for (std::size_t hit = FindUnit(text, group.anchor, done); hit != std::u16string_view::npos;
       hit = FindUnit(text, group.anchor, done)) {
    std::size_t begin = hit;
    while (begin > done && InAlphabet(group, text[begin - 1])) --begin;
    std::size_t end = hit + 1;
    while (end < text.size() && InAlphabet(group, text[end])) ++end;
    ApplyFixupsToRun(group, data + begin, end - begin);
    done = end;
  }
}

}  // namespace detail

// The whole-text replacements, once after the last code unit, in their order. Each has the
// effect of ApplyFixup run over the whole text; replacements that can go together share one
// scan.
inline void ApplyFinalFixups(OutputText& output) {
  for (std::size_t i = 0; i < detail::kFixupGroups.count; ++i) {
    const detail::FixupGroup& group = detail::kFixupGroups.groups[i];
    if (group.keeps_length) {
      detail::ApplyFixupGroup(output, group);
    } else {
      ApplyFixup(output, FixupReplacements[group.first]);
    }
  }
}

}  // namespace lipimattam
