// The conversion pass's quick way to place a code unit: tables, built from the rules at compile
// time, that say in one row what the stages would do with a unit in the common states of the
// output. A row rewrites the output from a base unit B on: B becomes the units in front of it,
// B, and the units after it, written as one word from B's position, so the pass needs no
// branch on what kind of unit it has in hand and never reads back what it just wrote.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/conjunct_table.h"
#include "engine/glyph_map.h"
#include "engine/glyph_string.h"
#include "engine/sign_rules.h"
#include "engine/stages.h"

namespace lipimattam::detail {

// The state of the output, as far as the rows care: a set of these bits. A row names the
// states it holds in (`holds_in`) and the state it leaves (`state_after`). "Plain" means the
// output ends in neither the virama, a low surrogate nor a line break, so that only the
// placement stage can act on the next unit.
enum OutputState : std::uint8_t {
  kHoldsUnits = 1 << 0,    // the output is not empty
  kEndsPlain = 1 << 1,     // it ends plain
  kEndsInVirama = 1 << 2,  // it ends in the virama after a base, which the next unit may join
  kPlainBase = 1 << 3,     // that base is plain and not a sign the RA sign is carried across
  kEndsOpen = 1 << 4,      // it ends plain, in no sign the tail repair carries a sign across
};

// What a unit is to the tail repair's pairs.
enum TailRole : std::uint8_t {
  kEndsPair = 1 << 0,    // the second unit of a pair
  kBeginsPair = 1 << 1,  // the first unit of a pair
  kAnyUnit = 1 << 2,     // any unit: a row whose last two units are a pair whatever B is
};

struct alignas(32) Placement {
  // The units in front of B from bit 0, and those after it shifted past B, whose own place is
  // left 0.
  std::uint64_t units = 0;
  std::uint8_t base_shift = 0;   // where B goes: 16 times the number of units in front of it
  std::uint8_t length = 0;       // units that count; a ligature row leaves B out
  char16_t new_last = 0;         // the last unit afterwards, unless it is B
  char16_t keeps_base_mask = 0;  // 0xFFFF when B is the last unit afterwards, else 0
  std::uint8_t holds_in = 0;     // the states in which the row may be used
  std::uint8_t state_after = 0;  // the state once it was used
  // The tail repair may have work only when B's roles meet these: the new last two units are
  // a pair of it.
  std::uint8_t repair_roles = 0;
};

// The word a row writes from the position of the base unit.
constexpr std::uint64_t PlacedWord(const Placement& placement, char16_t base) {
  return placement.units | (std::uint64_t{base} << placement.base_shift);
}

// The units that have rows, in blocks of 128: the glyph codes (units below 0x100, which take
// no stage and are appended), the Malayalam block, and the general punctuation block with the
// joiners, quotation marks and dashes. Every other unit shares the last row, which holds in
// no state.
constexpr std::size_t kBlockSize = 0x80;
constexpr std::array<char16_t, 4> kBlocksWithRows = {0x0000, 0x0080, kGlyphMapFirst, 0x2000};
constexpr std::size_t kPlacementCount = kBlocksWithRows.size() * kBlockSize + 1;
constexpr std::uint32_t kOtherUnitRow = kPlacementCount - 1;

static_assert(kGlyphMapFirst % kBlockSize == 0 && kGlyphMapSpan == kBlockSize,
              "the code-unit map must cover one block of 128 units: change kBlocksWithRows");
static_assert(kZeroWidthJoiner / kBlockSize == 0x2000 / kBlockSize &&
                  kZeroWidthNonJoiner / kBlockSize == 0x2000 / kBlockSize,
              "the joiners must fall in a block of kBlocksWithRows");

// For each block of 128 units, the row of its first unit and the mask that keeps the offset
// in the block (0 for the blocks without rows, which all fall on the last row).
struct RowBlock {
  std::uint16_t first_row = kOtherUnitRow;
  std::uint16_t offset_mask = 0;
};

constexpr std::array<RowBlock, 0x10000 / kBlockSize> BuildRowBlocks() {
  std::array<RowBlock, 0x10000 / kBlockSize> blocks{};
  for (std::size_t i = 0; i < kBlocksWithRows.size(); ++i) {
    blocks[kBlocksWithRows[i] / kBlockSize] = {static_cast<std::uint16_t>(i * kBlockSize),
                                               static_cast<std::uint16_t>(kBlockSize - 1)};
  }
  return blocks;
}

inline constexpr std::array<RowBlock, 0x10000 / kBlockSize> kRowBlocks = BuildRowBlocks();

// The row of every unit, from the blocks: 128 KB, which the native pass reads in one load.
inline constexpr std::array<std::uint16_t, 0x10000> kUnitRows = [] {
  std::array<std::uint16_t, 0x10000> rows{};
  for (std::size_t unit = 0; unit < rows.size(); ++unit) {
    const RowBlock& block = kRowBlocks[unit / kBlockSize];
    rows[unit] = static_cast<std::uint16_t>(block.first_row + (unit & block.offset_mask));
  }
  return rows;
}();

// The row of a unit: one lookup and no branch, since whether a unit is Latin or Malayalam
// changes at every word and a branch on it would be mispredicted. In WebAssembly the page
// carries every table in its own file, so there it takes two lookups in the 2 KB of blocks.
constexpr std::uint32_t PlacementRow(char16_t unit) {
#ifdef __EMSCRIPTEN__
  const RowBlock& block = kRowBlocks[unit / kBlockSize];
  return block.first_row + (unit & block.offset_mask);
#else
  return kUnitRows[unit];
#endif
}

// The unit a row stands for.
constexpr char16_t RowUnit(std::size_t row) {
  return static_cast<char16_t>(kBlocksWithRows[row / kBlockSize] + row % kBlockSize);
}

static_assert(PlacementRow(0x20) == 0x20 && PlacementRow(0xFF) == 0xFF);
static_assert(PlacementRow(0x0D15) == 0x115 && RowUnit(0x115) == 0x0D15);
static_assert(PlacementRow(0x200D) == 0x18D && RowUnit(0x18D) == 0x200D);
static_assert(PlacementRow(0x100) == kOtherUnitRow && PlacementRow(0xFFFF) == kOtherUnitRow);

constexpr bool IsGlyphCodeRow(std::size_t row) {
  return row < 0x100;
}

// What a row's unit becomes: a glyph code stays itself, every other unit goes through the map.
constexpr GlyphString RowGlyphs(std::size_t row) {
  return IsGlyphCodeRow(row) ? GlyphString(RowUnit(row)) : MapCodeUnit(RowUnit(row));
}

constexpr std::array<std::uint8_t, 0x100> BuildTailRepairRoles() {
  std::array<std::uint8_t, 0x100> roles{};
  roles.fill(kAnyUnit);
  for (const TailRepairPair& pair : TailRepairPairs) {
    roles[pair.last] |= kEndsPair;
    roles[pair.second_last] |= kBeginsPair;
  }
  return roles;
}

// The roles of a unit, looked up by its low byte: a unit above 0xFF may seem to have a role
// it has not, which costs a needless look at the tail, never a missed repair.
inline constexpr std::array<std::uint8_t, 0x100> kTailRepairRoles = BuildTailRepairRoles();

constexpr std::uint8_t RolesOf(char16_t unit) {
  return kTailRepairRoles[unit & 0xFF];
}

constexpr bool IsPair(char16_t second_last, char16_t last) {
  for (const TailRepairPair& pair : TailRepairPairs)
    if (pair.second_last == second_last && pair.last == last) return true;
  return false;
}

// The roles B must have for the last two units of a row's word to be a pair; `b` stands for
// B in `word`, a unit no rule knows.
constexpr std::uint8_t RepairRoles(std::uint64_t word, std::size_t length, char16_t b) {
  const auto unit = [&](std::size_t i) { return static_cast<char16_t>(word >> (16 * i)); };
  // A ligature alone: the unit before it is not known here.
  if (length < 2) return (RolesOf(unit(0)) & kEndsPair) != 0 ? kAnyUnit : 0;
  const char16_t second_last = unit(length - 2);
  const char16_t last = unit(length - 1);
  if (second_last == b && last == b) return 0;
  if (second_last == b) return (RolesOf(last) & kEndsPair) != 0 ? kBeginsPair : 0;
  if (last == b) return (RolesOf(second_last) & kBeginsPair) != 0 ? kEndsPair : 0;
  return IsPair(second_last, last) ? kAnyUnit : 0;
}

// The state once a unit was placed, from the new last unit; the output then holds at least
// two units whenever the last is the virama after a base.
constexpr std::uint8_t StateAfter(char16_t last) {
  if (last == kViramaGlyph) return kHoldsUnits | kEndsInVirama;
  if (IsLowSurrogate(last) || IsLineBreak(last)) return kHoldsUnits;
  if (InSet(kTailRepairLastUnits, last)) return kHoldsUnits | kEndsPlain;
  return kHoldsUnits | kEndsPlain | kEndsOpen;
}

// The state of any output, from its last unit and its length.
constexpr std::uint8_t StateOfOutput(char16_t last, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t state = StateAfter(last);
  return size >= 2 ? state : static_cast<std::uint8_t>(state & ~kEndsInVirama);
}

// Fills in what follows from the word: the new last unit, the state after, the repair roles.
// A row whose B stays last leaves the state that B gives, `state_with_base_last`: the rows
// that keep B hold only where B ends the output plain.
constexpr Placement Completed(Placement placement, std::uint8_t state_with_base_last) {
  constexpr char16_t kB = 0xFFFF;
  const std::uint64_t word = PlacedWord(placement, kB);
  const auto last = static_cast<char16_t>(word >> (16 * (placement.length - 1)));
  placement.keeps_base_mask = last == kB ? char16_t{0xFFFF} : char16_t{0};
  placement.new_last = last == kB ? char16_t{0} : last;
  placement.state_after = last == kB ? state_with_base_last : StateAfter(last);
  placement.repair_roles = RepairRoles(word, placement.length, kB);
  return placement;
}

// Whether the placement stage appends a unit's glyphs as they stand, wherever the output ends:
// they begin with no sign it moves.
constexpr bool AppendedAsTheyStand(const GlyphString& glyphs) {
  return !glyphs.empty() && (glyphs.size() > 2 || !InSet(kPlacedSignFirstUnits, glyphs[0]));
}

// The placement stage with the last unit as B: a pre-base sign goes in front of it, each half
// of a two-part sign in front of it or after it, anything else after it. A glyph code of the
// input takes no stage, and a unit that is no sign only the placement stage acts on: both are
// appended after any unit, also a line break or a surrogate (the virama has rows of its own).
// A two-part sign takes its row only where the tail repair cannot act between its halves.
constexpr Placement PlaceAroundLast(std::size_t row) {
  const GlyphString glyphs = RowGlyphs(row);
  GlyphString before;
  GlyphString after = glyphs;
  std::uint8_t holds_in = kEndsPlain;
  if (IsGlyphCodeRow(row) || AppendedAsTheyStand(glyphs)) {
    holds_in = kHoldsUnits;
  } else if (Contains(PreBaseSigns, glyphs)) {
    // After a YA, VA or vocalic R sign the tail repair carries it further: PlaceAcrossSubjoined.
    before = glyphs;
    after = {};
    holds_in = kEndsOpen;
  } else if (Contains(TwoPartSigns, glyphs)) {
    after = {};
    for (std::size_t i = 0; i < glyphs.size(); ++i)
      (IsPreBaseSign(glyphs[i]) ? before : after).Push(glyphs[i]);
    holds_in = kEndsOpen;
  }
  Placement placement;
  placement.units = before.Packed() | (after.Packed() << (16 * (before.size() + 1)));
  placement.base_shift = static_cast<std::uint8_t>(16 * before.size());
  placement.length = static_cast<std::uint8_t>(before.size() + 1 + after.size());
  placement.holds_in = holds_in;
  // B may be a sign the tail repair carries signs across: the state stays merely plain.
  return Completed(placement, kHoldsUnits | kEndsPlain);
}

constexpr std::array<Placement, kPlacementCount> BuildPlacements() {
  std::array<Placement, kPlacementCount> placements{};
  for (std::size_t row = 0; row < kOtherUnitRow; ++row) placements[row] = PlaceAroundLast(row);
  return placements;
}

// While the output ends in a base unit and the virama, the base is B. A conjunct turns both
// into the ligature; B is still written after it, but does not count.
constexpr Placement PlaceConjunct(const ConjunctRule& rule) {
  Placement placement;
  placement.units = rule.Ligature;
  placement.base_shift = 16;
  placement.length = 1;
  placement.holds_in = kPlainBase;
  return Completed(placement, kHoldsUnits | kEndsPlain | kEndsOpen);
}

// Otherwise YA and VA join B as its sub-joined sign after it, RA as the sign in front of it;
// anything else is placed around the virama as usual, B staying where it is. These rows hold
// only after a plain base, so B left last ends the output open. A unit whose
// glyphs with B and the virama would take more than four units is left to the stages.
constexpr Placement PlaceAfterVirama(std::size_t row) {
  const GlyphString glyphs = RowGlyphs(row);
  Placement placement;
  placement.holds_in = kPlainBase;
  if (!IsGlyphCodeRow(row) && glyphs.size() == 1) {
    for (const SubjoinedSignRule& rule : SubjoinedSignRules) {
      if (glyphs[0] != rule.glyph) continue;
      if (rule.sign_before) {
        placement.units = rule.sign;
        placement.base_shift = 16;
      } else {
        placement.units = std::uint64_t{rule.sign} << 16;
      }
      placement.length = 2;
      return Completed(placement, kHoldsUnits | kEndsPlain | kEndsOpen);
    }
  }
  const Placement around_virama = PlaceAroundLast(row);
  if (around_virama.length + 1u > GlyphString::kCapacity) return {};
  placement.units = PlacedWord(around_virama, kViramaGlyph) << 16;
  placement.length = static_cast<std::uint8_t>(around_virama.length + 1);
  return Completed(placement, kHoldsUnits | kEndsPlain | kEndsOpen);
}

// The conjunct rows first, numbered as kConjunctIndex numbers them (from 1), then one row for
// each unit.
constexpr std::size_t kFirstUnitAfterVirama = kConjunctRowCount + 1;
constexpr std::size_t kAfterViramaCount = kFirstUnitAfterVirama + kPlacementCount;

constexpr std::array<Placement, kAfterViramaCount> BuildPlacementsAfterVirama() {
  std::array<Placement, kAfterViramaCount> placements{};
  for (std::size_t row = 0; row < kConjunctRowCount; ++row)
    placements[row + 1] = PlaceConjunct(ConjunctTable[row]);
  for (std::size_t row = 0; row < kOtherUnitRow; ++row)
    placements[kFirstUnitAfterVirama + row] = PlaceAfterVirama(row);
  return placements;
}

// The glyph code with which a row's unit may complete a conjunct, or 0: units of the glyph
// branch whose glyph string is one glyph code.
constexpr std::array<GlyphCode, kPlacementCount> BuildConjunctGlyphs() {
  std::array<GlyphCode, kPlacementCount> glyphs{};
  for (std::size_t row = 0; row < kOtherUnitRow; ++row) {
    const GlyphString row_glyphs = RowGlyphs(row);
    if (!IsGlyphCodeRow(row) && row_glyphs.size() == 1 && row_glyphs[0] <= 0xFF)
      glyphs[row] = static_cast<GlyphCode>(row_glyphs[0]);
  }
  return glyphs;
}

inline constexpr std::array<Placement, kPlacementCount> kPlacements = BuildPlacements();
inline constexpr std::array<Placement, kAfterViramaCount> kPlacementsAfterVirama =
    BuildPlacementsAfterVirama();
inline constexpr std::array<GlyphCode, kPlacementCount> kConjunctGlyphs = BuildConjunctGlyphs();

// The row to use after the virama: the conjunct of the base and the unit, if the table has
// one, else the unit's own. A base above 0xFF is looked up as the unit 0, which begins none.
constexpr const Placement& PlacementAfterVirama(char16_t base, std::uint32_t row) {
  const std::uint32_t conjunct =
      kConjunctIndex[(base <= 0xFF ? base : 0u) * 256u + kConjunctGlyphs[row]];
  return kPlacementsAfterVirama[conjunct != 0 ? conjunct : kFirstUnitAfterVirama + row];
}

// The state in which the rows after the virama are tried, from their base. After a YA, VA or
// vocalic R sign the RA sign goes further back than the base, which the stages do.
constexpr std::uint8_t BaseState(char16_t base) {
  return base == kViramaGlyph || IsLowSurrogate(base) || IsLineBreak(base) ||
                 InSet(kTailRepairLastUnits, base)
             ? kHoldsUnits
             : kHoldsUnits | kPlainBase;
}

// The same for a base that is a glyph code, looked up: the bases after the virama are nearly
// always glyph codes.
inline constexpr std::array<std::uint8_t, 0x100> kGlyphBaseStates = [] {
  std::array<std::uint8_t, 0x100> states{};
  for (std::size_t code = 0; code < states.size(); ++code)
    states[code] = BaseState(static_cast<char16_t>(code));
  return states;
}();

constexpr std::uint8_t QuickBaseState(char16_t base) {
  return base <= 0xFF ? kGlyphBaseStates[base] : BaseState(base);
}

// A pre-base or two-part vowel sign after a consonant's YA, VA or vocalic R sign S: the sign's
// pre-base halves go in front of S, where the tail repair carries each in front of the unit B
// before S, and its other half goes after S. Written as one word from B's place on, B and S
// in it as one 32-bit pair.
struct AcrossSubjoined {
  std::uint64_t units = 0;       // the pre-base halves from bit 0, the other half after B and S
  std::uint8_t pair_shift = 0;   // where B and S go: 16 times the number of pre-base halves
  std::uint8_t length = 0;       // units from B's place on; 0 where the unit is no such sign
  char16_t new_last = 0;         // the last unit afterwards, unless it is S
  char16_t keeps_sign_mask = 0;  // 0xFFFF when S stays last, else 0
  std::uint8_t state_after = 0;
};

constexpr std::array<AcrossSubjoined, kPlacementCount> BuildAcrossSubjoined() {
  std::array<AcrossSubjoined, kPlacementCount> rows{};
  for (std::size_t row = 0; row < kOtherUnitRow; ++row) {
    const GlyphString glyphs = RowGlyphs(row);
    if (IsGlyphCodeRow(row) || !(Contains(PreBaseSigns, glyphs) || Contains(TwoPartSigns, glyphs)))
      continue;
    GlyphString before;
    GlyphString after;
    for (std::size_t i = 0; i < glyphs.size(); ++i)
      (IsPreBaseSign(glyphs[i]) ? before : after).Push(glyphs[i]);
    AcrossSubjoined& across = rows[row];
    across.units = before.Packed();
    if (!after.empty()) across.units |= after.Packed() << (16 * (before.size() + 2));
    across.pair_shift = static_cast<std::uint8_t>(16 * before.size());
    across.length = static_cast<std::uint8_t>(before.size() + 2 + after.size());
    across.new_last = after.empty() ? char16_t{0} : after[after.size() - 1];
    across.keeps_sign_mask = after.empty() ? char16_t{0xFFFF} : char16_t{0};
    // S stays last and leaves the state it left; a half after it is no unit of a pair.
    across.state_after =
        after.empty() ? StateAfter(TailRepairPairs[0].last) : StateAfter(across.new_last);
  }
  return rows;
}

inline constexpr std::array<AcrossSubjoined, kPlacementCount> kAcrossSubjoined =
    BuildAcrossSubjoined();

// The tail repair carries every pre-base half across every S, and every S leaves the same
// state; a half after S neither ends a pair nor is a line break, so the repair then finds no
// more work.
constexpr bool RepairCarriesEveryPreBaseHalf() {
  for (const TailRepairPair& any_pair : TailRepairPairs) {
    for (const GlyphString& sign : PreBaseSigns)
      if (!IsPair(sign[0], any_pair.last)) return false;
    if (StateAfter(any_pair.last) != StateAfter(TailRepairPairs[0].last)) return false;
  }
  for (const AcrossSubjoined& across : kAcrossSubjoined) {
    if (across.length == 0 || across.keeps_sign_mask != 0) continue;
    if (InSet(kTailRepairLastUnits, across.new_last) || IsLineBreak(across.new_last)) return false;
  }
  return true;
}

static_assert(RepairCarriesEveryPreBaseHalf(),
              "a pre-base sign that the tail repair does not carry across every YA, VA or "
              "vocalic R sign needs its own case in BuildAcrossSubjoined");

// The shortcuts must leave the stages nothing to do: a ligature or a sub-joined sign is
// neither the letter of a sub-joined sign nor a sign the placement stage moves, and no
// conjunct begins with the unit 0.
constexpr bool ShortcutsAreComplete() {
  for (const ConjunctRule& rule : ConjunctTable) {
    if (rule.SecondLast == 0 || InSet(kPlacedSignFirstUnits, rule.Ligature)) return false;
    for (const SubjoinedSignRule& sign : SubjoinedSignRules)
      if (rule.Ligature == sign.glyph) return false;
  }
  for (const SubjoinedSignRule& rule : SubjoinedSignRules) {
    if (rule.sign_before && InSet(kPlacedSignFirstUnits, rule.sign)) return false;
    for (const GlyphString& sign : PreBaseSigns)
      if (sign.size() == 2 && sign[1] == rule.sign) return false;
    for (const GlyphString& sign : TwoPartSigns)
      if (sign.size() == 2 && sign[1] == rule.sign) return false;
  }
  return true;
}

static_assert(ShortcutsAreComplete(),
              "a row would leave work for the stages: a ligature or sub-joined sign that is also "
              "a letter of a sub-joined sign or a sign the placement stage moves needs its own "
              "case in PlaceConjunct or PlaceAfterVirama");
static_assert(kTailRepairRoles[0xFF] == kAnyUnit);
static_assert(kConjunctGlyphs[PlacementRow(0x0D15)] == 0x49);  // KA
static_assert(kConjunctGlyphs[PlacementRow(kZeroWidthJoiner)] == kJoinerGlyph);
static_assert(kConjunctGlyphs[u'I'] == 0, "a glyph code of the input joins no conjunct");
static_assert(kPlacements[u'y'].repair_roles == kBeginsPair);                // "s" or "t", then "y"
static_assert(kPlacements[PlacementRow(0x0D46)].repair_roles == kEndsPair);  // E sign before "y"
static_assert(kPlacements[PlacementRow(0x0D46)].keeps_base_mask == 0xFFFF);
static_assert(kPlacementsAfterVirama[kFirstUnitAfterVirama + PlacementRow(0x0D7F)].holds_in == 0,
              "CHILLU K after the virama takes five units");

}  // namespace lipimattam::detail
