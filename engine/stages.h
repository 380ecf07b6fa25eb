// The stages of a conversion pass. Each works in place on the end of the output and on the
// glyph string in hand; none reads back across a line break or before the start of the output.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <lipimattam/utf16.h>

#include "engine/conjunct_table.h"
#include "engine/glyph_string.h"
#include "engine/output_text.h"
#include "engine/sign_rules.h"

namespace lipimattam {

// No stage reads or changes more than the last four units of the output, or asks whether it
// holds more than four: a sign goes in front of the last character (two units at most), the
// RA sign in front of a YA, VA or vocalic R sign and the character before it (four), and the
// tail repair moves the character before its last two units (four). What lies further back is
// settled: the whole-text fix-ups may rewrite it while the pass goes on.
inline constexpr std::size_t kStagesReach = 4;

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

// Replaces every non-overlapping occurrence of the find string, left to right; units that a
// replacement wrote are not tested again by the same replacement. The plain statement of what
// a fix-up does, which ApplyFixupsWithin is held to.
inline void ApplyFixup(OutputText& output, const FixupReplacement& fixup) {
  const std::u16string_view find = fixup.find;
  const std::u16string_view replace = fixup.replace;
  // The text behind `read` is untouched: a replacement is never longer than what it finds.
  const std::u16string_view text = output.View();
  char16_t* data = output.data();
  std::size_t read = text.find(find);
  std::size_t write = read;
  while (read != std::u16string_view::npos) {
    std::copy(replace.begin(), replace.end(), data + write);
    write += replace.size();
    read += find.size();
    const std::size_t next = text.find(find, read);
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
// A fix-up that shortens the text is a group of its own, anchored on the unit of highest value
// in its find string.
struct FixupGroup {
  std::size_t first = 0;
  std::size_t count = 0;
  bool keeps_length = false;
  char16_t anchor = 0;
  std::size_t anchor_at = 0;  // where the anchor stands in a shortening fix-up's find string
  std::array<bool, 0x100> alphabet{};  // the units of the group's find and replace strings
  // Every match holds the anchor and a unit next to it: the pair the scan looks for, far
  // rarer than the anchor alone ("{" is common, "{s" is not). The pair's first unit is one of
  // `firsts`, its second one of `seconds`; the anchor is its first unit, or its second when
  // the anchor ends a find string.
  std::array<char16_t, 4> firsts{};
  std::array<char16_t, 4> seconds{};
  std::size_t first_count = 0;
  std::size_t second_count = 0;
  std::size_t anchor_in_pair = 0;
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
    group.keeps_length = KeepsLength(FixupReplacements[first]);
    while (group.keeps_length && first + group.count < kFixupCount &&
           KeepsLength(FixupReplacements[first + group.count]) &&
           CommonAnchor(first, group.count + 1) != 0)
      ++group.count;
    group.anchor = CommonAnchor(first, group.count);
    group.anchor_at = FixupReplacements[first].find.find(group.anchor);
    const auto add = [](std::array<char16_t, 4>& set, std::size_t& count, char16_t unit) {
      if (std::find(set.begin(), set.begin() + count, unit) != set.begin() + count) return;
      if (count == set.size()) throw "too many units in a fix-up group's pairs";
      set[count++] = unit;
    };
    const std::u16string_view first_find = FixupReplacements[first].find;
    group.anchor_in_pair = group.anchor_at + 1 < first_find.size() ? 0 : 1;
    for (std::size_t i = first; i < first + group.count; ++i) {
      const std::u16string_view find = FixupReplacements[i].find;
      for (const char16_t unit : find) group.alphabet[unit & 0xFF] = true;
      for (const char16_t unit : FixupReplacements[i].replace) group.alphabet[unit & 0xFF] = true;
      const std::size_t pair_at = find.find(group.anchor) - group.anchor_in_pair;
      if (pair_at + 1 >= find.size()) throw "a fix-up's pair does not fit its find string";
      add(group.firsts, group.first_count, find[pair_at]);
      add(group.seconds, group.second_count, find[pair_at + 1]);
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
              "a run the fix-ups slow down; update this check with the table");

// Whether some proper prefix of `text` is also its suffix, so that two matches may overlap.
constexpr bool OverlapsItself(std::u16string_view text) {
  for (std::size_t k = 1; k < text.size(); ++k)
    if (text.substr(0, k) == text.substr(text.size() - k)) return true;
  return false;
}

// What lets one scan apply every group where its anchor stands, in any order, and any stretch
// of the text on its own: the strings hold glyph codes only; no unit belongs to two groups, so
// a group's rewrite never makes or breaks another's match or run; a shortening fix-up's
// replacement is not empty, so no two runs meet where it removed a match; and its find string
// never overlaps itself, so every match in the text is replaced.
constexpr bool GroupsNeverMeet() {
  for (std::size_t g = 0; g < kFixupGroups.count; ++g) {
    const FixupGroup& group = kFixupGroups.groups[g];
    if (group.anchor == 0) return false;
    for (std::size_t i = group.first; i < group.first + group.count; ++i) {
      const FixupReplacement& fixup = FixupReplacements[i];
      if (!UsesGlyphCodesOnly(fixup)) return false;
      if (!group.keeps_length && (fixup.replace.empty() || OverlapsItself(fixup.find)))
        return false;
    }
    for (std::size_t other = g + 1; other < kFixupGroups.count; ++other)
      for (std::size_t unit = 0; unit < 0x100; ++unit)
        if (group.alphabet[unit] && kFixupGroups.groups[other].alphabet[unit]) return false;
  }
  return true;
}
static_assert(GroupsNeverMeet(), "the fix-ups must keep to their own units (see GroupsNeverMeet)");

// The matches of a fix-up that shortens the text move what follows them, in order of place:
// one such fix-up at most, after every group that keeps the length.
constexpr bool ShortensLast() {
  for (std::size_t g = 0; g + 1 < kFixupGroups.count; ++g)
    if (!kFixupGroups.groups[g].keeps_length) return false;
  return true;
}
static_assert(ShortensLast(), "one fix-up at most may shorten the text, the last");

// Whether any fix-up uses a glyph code.
constexpr std::array<bool, 0x100> BuildFixupUnits() {
  std::array<bool, 0x100> units{};
  for (std::size_t g = 0; g < kFixupGroups.count; ++g)
    for (std::size_t unit = 0; unit < 0x100; ++unit)
      units[unit] = units[unit] || kFixupGroups.groups[g].alphabet[unit];
  return units;
}

inline constexpr std::array<bool, 0x100> kFixupUnits = BuildFixupUnits();

constexpr bool InAlphabet(const FixupGroup& group, char16_t unit) {
  return unit <= 0xFF && group.alphabet[unit];
}

constexpr bool IsFixupUnit(char16_t unit) {
  return unit <= 0xFF && kFixupUnits[unit];
}

constexpr bool InPairSet(const std::array<char16_t, 4>& set, std::size_t count, char16_t unit) {
  for (std::size_t i = 0; i < count; ++i)
    if (set[i] == unit) return true;
  return false;
}

// Each group's pairs that begin and end among the `count` units from `units`, as bits from
// the lowest.
using PairMasks = std::array<std::uint64_t, kFixupCount>;

inline PairMasks PairBitsOfFew(const char16_t* units, std::size_t count) {
  PairMasks masks{};
  for (std::size_t g = 0; g < kFixupGroups.count; ++g) {
    const FixupGroup& group = kFixupGroups.groups[g];
    for (std::size_t i = 0; i + 1 < count; ++i)
      if (InPairSet(group.firsts, group.first_count, units[i]) &&
          InPairSet(group.seconds, group.second_count, units[i + 1]))
        masks[g] |= std::uint64_t{1} << i;
  }
  return masks;
}

// The same for the kPairBlock pairs that begin at `units`: the unit after them is read too, as
// the second of the last pair.
constexpr std::size_t kPairBlock = 64;

#if defined(__SSE2__)
// The scan packs 16 units into 16 bytes at a time, with saturation: a unit from 0x100 up
// becomes 0xFF or 0, which no pair may hold.
constexpr bool PairsHoldNoSaturatedByte() {
  for (std::size_t g = 0; g < kFixupGroups.count; ++g) {
    const FixupGroup& group = kFixupGroups.groups[g];
    for (std::size_t i = 0; i < group.first_count; ++i)
      if (group.firsts[i] == 0 || group.firsts[i] >= 0xFF) return false;
    for (std::size_t i = 0; i < group.second_count; ++i)
      if (group.seconds[i] == 0 || group.seconds[i] >= 0xFF) return false;
  }
  return true;
}
static_assert(PairsHoldNoSaturatedByte());

// The bytes of the group's pairs among 16 packed units and the 16 after each of them.
template <std::size_t kGroup>
__m128i PairBytes(__m128i here, __m128i next) {
  constexpr const FixupGroup& group = kFixupGroups.groups[kGroup];
  const auto any_of = [](__m128i bytes, const std::array<char16_t, 4>& set, std::size_t count) {
    __m128i hits = _mm_setzero_si128();
    for (std::size_t i = 0; i < count; ++i)
      hits = _mm_or_si128(hits, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(set[i]))));
    return hits;
  };
  return _mm_and_si128(any_of(here, group.firsts, group.first_count),
                       any_of(next, group.seconds, group.second_count));
}
#endif

inline PairMasks PairBits(const char16_t* units) {
#if defined(__SSE2__)
  PairMasks masks{};
  const auto packed = [units](std::size_t from) {
    const auto load = [](const char16_t* at) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    };
    return _mm_packus_epi16(load(units + from), load(units + from + 8));
  };
  for (std::size_t sixteenth = 0; sixteenth < kPairBlock / 16; ++sixteenth) {
    const __m128i here = packed(16 * sixteenth);
    const __m128i next = packed(16 * sixteenth + 1);
    [&]<std::size_t... kGroup>(std::index_sequence<kGroup...>) {
      ((masks[kGroup] |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(
                             _mm_movemask_epi8(PairBytes<kGroup>(here, next))))
                         << (16 * sixteenth)),
       ...);
    }
    (std::make_index_sequence<kFixupGroups.count>{});
  }
  return masks;
#else
  return PairBitsOfFew(units, kPairBlock + 1);
#endif
}

// Where each group's pairs stand in a chunk of the text, in order, as offsets from its start.
// Listed first and then worked through, the pairs cost no mispredicted branch each.
constexpr std::size_t kFixupChunk = 2048;

using PairList = std::array<std::uint16_t, kFixupChunk + kPairBlock>;

// Appends the places of the bits of `bits`, plus `base`, to a list. The first two are
// written whatever their number (the list has room), so that the usual block takes no branch;
// x86-64's baseline has no instruction that counts bits.
[[nodiscard]] inline std::size_t AppendBitPlaces(std::uint16_t* list, std::size_t count,
                                                 std::uint64_t bits, std::size_t base) {
  for (std::size_t k = 0; k < 2; ++k) {
    list[count] =
        static_cast<std::uint16_t>(base + static_cast<std::size_t>(std::countr_zero(bits)));
    count += bits != 0 ? 1 : 0;
    bits &= bits - 1;
  }
  for (; bits != 0; bits &= bits - 1)
    list[count++] =
        static_cast<std::uint16_t>(base + static_cast<std::size_t>(std::countr_zero(bits)));
  return count;
}

// The group's replacements in their order, on one run of the text; none changes its length.
constexpr void ApplyFixupsToRun(const FixupGroup& group, char16_t* run, std::size_t length) {
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

// Most runs are short and begin at their anchor: "{" alone, "{s", "{ss". Such a run is
// rewritten by one 64-bit store from a row worked out at compile time, found from the units
// after the anchor: each has a class, 0 outside the group's alphabet, else 1 + its place in it.
constexpr std::size_t kShortRunUnits = 3;  // the anchor and up to two units after it

struct ShortRun {
  std::uint64_t units = 0;  // the rewritten run, the anchor's place first
  std::uint64_t mask = 0;   // the 16-bit lanes of the four from the anchor that the run takes
  std::size_t length = 0;   // 0: longer than kShortRunUnits, rewritten the general way
};

struct ShortRuns {
  std::array<std::uint8_t, 0x101> classes{};  // units from 0x100 up count as 0x100
  std::array<ShortRun, 64> rows{};            // by the classes of the three units after the anchor
};

constexpr ShortRuns BuildShortRuns(const FixupGroup& group) {
  ShortRuns runs;
  std::array<char16_t, 4> units_of_class{};
  std::uint8_t classes = 0;
  for (std::size_t unit = 0; unit < 0x100; ++unit) {
    if (!group.alphabet[unit]) continue;
    runs.classes[unit] = ++classes;
    if (classes < units_of_class.size()) units_of_class[classes] = static_cast<char16_t>(unit);
  }
  if (classes >= units_of_class.size()) return runs;  // too many for two bits: all general
  for (std::size_t key = 0; key < runs.rows.size(); ++key) {
    std::array<char16_t, 4> run{group.anchor};
    std::size_t length = 1;
    for (; length <= kShortRunUnits; ++length) {
      const std::size_t unit_class = (key >> (2 * (length - 1))) & 3;
      if (unit_class == 0) break;
      run[length] = units_of_class[unit_class];
    }
    if (length > kShortRunUnits) continue;
    ApplyFixupsToRun(group, run.data(), length);
    ShortRun& row = runs.rows[key];
    row.length = length;
    for (std::size_t i = 0; i < length; ++i) {
      row.units |= std::uint64_t{run[i]} << (16 * i);
      row.mask |= std::uint64_t{0xFFFF} << (16 * i);
    }
  }
  return runs;
}

constexpr std::array<ShortRuns, kFixupCount> BuildAllShortRuns() {
  std::array<ShortRuns, kFixupCount> all{};
  for (std::size_t g = 0; g < kFixupGroups.count; ++g)
    if (kFixupGroups.groups[g].keeps_length) all[g] = BuildShortRuns(kFixupGroups.groups[g]);
  return all;
}

inline constexpr std::array<ShortRuns, kFixupCount> kShortRuns = BuildAllShortRuns();

// The RA sign's runs that hold one sign after it take the short way.
static_assert(kShortRuns[0].rows[kShortRuns[0].classes[u's']].length == 2 &&
                  kShortRuns[0].rows[kShortRuns[0].classes[u's']].units == (u's' | u'{' << 16),
              "the RA sign's short runs are not rewritten the short way");

// Rewrites the run of a length-keeping group that holds the anchor at `at`, in [done, to);
// returns where the run ends.
inline std::size_t RewriteRun(char16_t* data, std::size_t g, std::size_t at, std::size_t done,
                              std::size_t to) {
  const FixupGroup& group = kFixupGroups.groups[g];
  if constexpr (std::endian::native == std::endian::little) {
    if (at + 4 <= to && (at == done || !InAlphabet(group, data[at - 1]))) {
      const auto class_of = [&classes = kShortRuns[g].classes](char16_t unit) {
        return std::size_t{classes[std::min<std::size_t>(unit, 0x100)]};
      };
      const ShortRun& row =
          kShortRuns[g].rows[class_of(data[at + 1]) | class_of(data[at + 2]) << 2 |
                             class_of(data[at + 3]) << 4];
      if (row.length != 0) {
        std::uint64_t word = 0;
        std::memcpy(&word, data + at, sizeof word);
        word = (word & ~row.mask) | row.units;
        std::memcpy(data + at, &word, sizeof word);
        return at + row.length;
      }
    }
  }
  std::size_t begin = at;
  while (begin > done && InAlphabet(group, data[begin - 1])) --begin;
  std::size_t end = at + 1;
  while (end < to && InAlphabet(group, data[end])) ++end;
  ApplyFixupsToRun(group, data + begin, end - begin);
  return end;
}

}  // namespace detail

// Applies the whole-text fix-ups to the units [from, to) of the output as they apply to the
// whole text, where no match of a find string and no run of a group's units reaches across
// `from` or `to` (the unit before each is no fix-up's, or `from` is 0 and `to` the end). One
// scan finds every group's pairs; the units from `to` on move down over what the replacements
// removed. Returns where the unit at `to` went.
inline std::size_t ApplyFixupsWithin(OutputText& output, std::size_t from, std::size_t to) {
  using detail::kFixupGroups;
  char16_t* data = output.data();
  std::size_t kept = from;   // the units before this are in their final place
  std::size_t write = from;  // where the unit at `kept` goes
  std::array<std::size_t, detail::kFixupCount> done{};  // each group is done up to here
  done.fill(from);
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): written before it is read
  std::array<detail::PairList, detail::kFixupCount> lists;
  for (std::size_t chunk = from; chunk < to; chunk += detail::kFixupChunk) {
    const std::size_t chunk_end = std::min(to, chunk + detail::kFixupChunk);
    std::array<std::size_t, detail::kFixupCount> counts{};  // kept in registers
    for (std::size_t block = chunk; block < chunk_end; block += detail::kPairBlock) {
      // A pair may end past the chunk's end, but not past the region's.
      const bool whole = block + detail::kPairBlock + 1 <= to;
      const detail::PairMasks masks =
          whole ? detail::PairBits(data + block)
                : detail::PairBitsOfFew(data + block, std::min(detail::kPairBlock + 1, to - block));
      [&]<std::size_t... kGroup>(std::index_sequence<kGroup...>) {  // unrolled over the groups
        ((counts[kGroup] = detail::AppendBitPlaces(lists[kGroup].data(), counts[kGroup],
                                                   masks[kGroup], block - chunk)),
         ...);
      }
      (std::make_index_sequence<kFixupGroups.count>{});
    }
    // The runs of the groups that keep the length are rewritten where they stand, then the
    // shortening fix-up's matches move the text down: the groups never meet, so the order
    // between them does not matter, and each is taken in order of place.
    for (std::size_t g = 0; g < kFixupGroups.count; ++g) {
      const detail::FixupGroup& group = kFixupGroups.groups[g];
      for (std::size_t i = 0; i < counts[g]; ++i) {
        const std::size_t at = chunk + lists[g][i] + group.anchor_in_pair;
        if (at < done[g]) continue;
        if (group.keeps_length) {
          done[g] = detail::RewriteRun(data, g, at, done[g], to);
          continue;
        }
        const FixupReplacement& fixup = FixupReplacements[group.first];
        const std::size_t start = at - group.anchor_at;
        if (at < done[g] + group.anchor_at || start + fixup.find.size() > to ||
            std::u16string_view(data + start, fixup.find.size()) != fixup.find)
          continue;
        if (write != kept) std::copy(data + kept, data + start, data + write);
        write += start - kept;
        write = static_cast<std::size_t>(
            std::copy(fixup.replace.begin(), fixup.replace.end(), data + write) - data);
        kept = start + fixup.find.size();
        done[g] = kept;
      }
    }
  }
  const std::size_t size = output.size();
  if (write != kept) std::copy(data + kept, data + size, data + write);
  output.Truncate(size - (kept - write));
  return to - (kept - write);
}

// The whole-text replacements, once after the last code unit: what ApplyFixup gives for each,
// one after another, over the whole text.
inline void ApplyFinalFixups(OutputText& output) {
  ApplyFixupsWithin(output, 0, output.size());
}

}  // namespace lipimattam
