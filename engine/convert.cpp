// The conversion pass, and how it is built.
//
// The truth is in the rule tables: the code-unit map (glyph_map.h), the conjunct rows
// (conjunct_table.h), the signs, the tail repair's pairs and the fix-ups (sign_rules.h). The
// stages (stages.h) apply them to one code unit at a time, in the order the rules are tried:
// map the unit, fuse a conjunct, make a sub-joined sign, place a vowel sign, repair the tail.
// For speed the pass does not run the stages for each unit: placements.h derives from the
// same tables, at compile time, one row per unit and state that writes in one 64-bit store
// what the stages would write, and the pass below uses a row wherever one holds (a vowel sign
// after a YA, VA or vocalic R sign takes a row that writes from the consonant before that
// sign, where the tail repair carries it), falling back on the stages elsewhere (a surrogate,
// a line break, two viramas): fewer than one unit in 100,000 of the benchmark's generated
// Malayalam goes through them. The rows make the pass about twice as fast as the stages alone
// (`build/release/bench/convert_bench
// --benchmark_filter='ConvertWithoutHook|ConvertStageByStage'`). The whole-text fix-ups
// run after each slice on the output it settled, while that is still in cache, and on the
// rest after the last unit: they never touch the last units, which the stages may still read
// or change (kStagesReach in stages.h), so they give what they give once over the whole text.
//
// A new rule goes into its table, never into the rows: they follow by themselves.
// tests/pass_equivalence_test.cpp holds the two together: over thousands of random texts
// drawn from the units the rules care about, the pass must give what the stages give, unit by
// unit; fuzz/convert_fuzz.cpp checks the same on whatever the fuzzer finds.
#include <lipimattam/convert.h>

#include <algorithm>
#include <cstdint>
#include <type_traits>

#include "engine/glyph_map.h"
#include "engine/huge_pages.h"
#include "engine/output_text.h"
#include "engine/placements.h"
#include "engine/stages.h"

namespace lipimattam {
namespace {

struct NoProgress {
  void UnitStarting() {}
  void UnitPlaced(std::u16string_view /*output_so_far*/) {}
  void UnitFinished() {}
};

// Whether a hook looks at the output after each unit, so that its length must be kept up.
template <typename Progress>
inline constexpr bool kSeesOutput = !std::is_same_v<Progress, NoProgress>;

// Places a unit that no row may place, through every stage in its order.
[[gnu::noinline]] void PlaceThroughStages(OutputText& output, char16_t unit) {
  if (unit <= 0xFF) {
    output.Append(unit);
    return;
  }
  GlyphString current = MapCodeUnit(unit);
  ApplyConjunctRules(output, current);
  ApplySubjoinedSigns(output, current);
  PlaceVowelSign(output, current);
}

// The tail repair after a row, kept out of the loop: it is called only when the last two units
// may be one of its pairs, which is rare.
[[gnu::noinline]] void RepairTailOutOfLine(OutputText& output) {
  RepairTail(output);
}

// The virama's own row appends its glyph after any unit and leaves the state in which the rows
// after a virama are tried: the pass may skip it when the next unit's row holds.
static_assert(detail::kPlacements[detail::PlacementRow(kViramaUnit)].holds_in ==
                      detail::kHoldsUnits &&
                  detail::kPlacements[detail::PlacementRow(kViramaUnit)].units ==
                      std::uint64_t{kViramaGlyph} << 16 &&
                  detail::kPlacements[detail::PlacementRow(kViramaUnit)].state_after ==
                      (detail::kHoldsUnits | detail::kEndsInVirama) &&
                  detail::kPlacements[detail::PlacementRow(kViramaUnit)].repair_roles == 0 &&
                  (detail::QuickBaseState(kViramaGlyph) & detail::kPlainBase) == 0,
              "the virama's row changed: the pass's shortcut over it no longer holds");

// What the pass knows of the end of its output without reading it back.
struct Tail {
  std::size_t size = 0;    // units in the output
  char16_t last = 0;       // the last of them, or 0
  std::uint8_t state = 0;  // a set of detail::OutputState bits
};

// The row chosen for a unit, and the base unit B it writes from.
struct RowChoice {
  const detail::Placement* placement;
  std::size_t base_at;
  char16_t base;
  bool holds;  // whether the row may be used in the output's state
};

// After a base and the virama, the base is B and the row may be a conjunct's; otherwise the
// last unit is B.
[[gnu::always_inline]] inline RowChoice ChooseRow(const char16_t* data, const Tail& tail,
                                                  std::uint32_t row) {
  if ((tail.state & detail::kEndsInVirama) != 0) {
    const char16_t base = data[tail.size - 2];
    const detail::Placement& placement = detail::PlacementAfterVirama(base, row);
    return {&placement, tail.size - 2, base,
            (placement.holds_in & detail::QuickBaseState(base)) != 0};
  }
  const detail::Placement& placement = detail::kPlacements[row];
  return {&placement, tail.size - 1, tail.last, (placement.holds_in & tail.state) != 0};
}

// Writes the row's word from B on; the buffer has room for it.
[[gnu::always_inline]] inline void WriteRow(char16_t* data, const RowChoice& choice) {
  StorePacked(data + choice.base_at, detail::PlacedWord(*choice.placement, choice.base));
}

// Places a pre-base or two-part sign after a YA, VA or vocalic R sign S and the unit B before
// it, as the stages and the tail repair would, in one store; false where B may take part in
// the repair (a line break, a unit above 0xFF, a unit that begins a pair) and the stages must.
[[gnu::always_inline]] inline bool PlaceAcrossSubjoined(char16_t* data, Tail& tail,
                                                        std::uint32_t row) {
  const detail::AcrossSubjoined& across = detail::kAcrossSubjoined[row];
  if (across.length == 0 || tail.size < 2 ||
      !detail::InSet(detail::kTailRepairLastUnits, tail.last))
    return false;
  const char16_t base = data[tail.size - 2];
  if (base > 0xFF || IsLineBreak(base) || (detail::RolesOf(base) & detail::kBeginsPair) != 0)
    return false;
  const std::uint64_t pair = base | (std::uint64_t{tail.last} << 16);
  StorePacked(data + tail.size - 2, across.units | (pair << across.pair_shift));
  tail.size += across.length - 2u;
  tail.last = static_cast<char16_t>(across.new_last | (tail.last & across.keeps_sign_mask));
  tail.state = across.state_after;
  return true;
}

}  // namespace

struct TextConverter::Pass {
  template <typename Progress>
  void Run(std::u16string_view input, Progress& progress);
  template <typename Progress>
  void RunSlice(std::u16string_view slice, Progress& progress);
  template <typename Progress>
  void PlaceByRow(char16_t* data, const RowChoice& choice, Tail& tail, Progress& progress);
  template <typename Progress>
  void PlaceByStages(char16_t unit, Tail& tail, Progress& progress);
  void Settle();

  OutputText output_;
  Tail tail_;                // kept between pieces
  std::size_t settled_ = 0;  // the output before this has had its fix-ups
};

TextConverter::TextConverter(std::size_t expected_units) : pass_(std::make_unique<Pass>()) {
  // No code unit adds more than three units.
  pass_->output_.Reserve(3 * expected_units);
}

TextConverter::TextConverter(TextConverter&&) noexcept = default;
TextConverter& TextConverter::operator=(TextConverter&&) noexcept = default;
TextConverter::~TextConverter() = default;

// The input goes in slices, each with room for three units per unit of it and the four that a
// row writes from its base on (at most two units before the end), so nothing moves the buffer
// within a slice. A slice is as long as the room allows, and room is made only when little is
// left: room is zero-filled as it is made, so the output is cleared about once, and a kept
// output string, whose old text is room, is not cleared again.
template <typename Progress>
void TextConverter::Pass::Run(std::u16string_view input, Progress& progress) {
  constexpr std::size_t kSlice = 1 << 14;
  constexpr std::size_t kLeastSlice = 1 << 10;
  constexpr std::size_t kRowSpill = GlyphString::kCapacity;
  while (!input.empty()) {
    std::size_t length = std::min(input.size(), kSlice);
    const std::size_t fits = (output_.Room() - std::min(output_.Room(), kRowSpill)) / 3;
    if (fits >= std::min(length, kLeastSlice)) {
      length = std::min(length, fits);
    } else {
      output_.MakeRoom(3 * length + kRowSpill);
    }
    RunSlice(input.substr(0, length), progress);
    input.remove_prefix(length);
  }
}

// Runs the pass over a slice for which the output has room.
template <typename Progress>
void TextConverter::Pass::RunSlice(std::u16string_view slice, Progress& progress) {
  Tail tail = tail_;  // in registers while the slice runs, as is the buffer
  char16_t* data = output_.data();
  for (std::size_t at = 0; at < slice.size(); ++at) {
    const char16_t unit = slice[at];
    if constexpr (!kSeesOutput<Progress>) {
      // A virama and the unit after it at once, when the virama's own row would hold (the
      // output is not empty): the base is the last unit, still in hand, and the virama's row is
      // never written. After another virama no row holds, as the virama is no plain base.
      if (unit == kViramaUnit && at + 1 < slice.size() && (tail.state & detail::kHoldsUnits) != 0) {
        const detail::Placement& placement =
            detail::PlacementAfterVirama(tail.last, detail::PlacementRow(slice[at + 1]));
        if ((placement.holds_in & detail::QuickBaseState(tail.last)) != 0) {
          PlaceByRow(data, {&placement, tail.size - 1, tail.last, true}, tail, progress);
          ++at;
          continue;
        }
      }
    }
    progress.UnitStarting();
    const std::uint32_t row = detail::PlacementRow(unit);
    const RowChoice choice = ChooseRow(data, tail, row);
    if (choice.holds) [[likely]] {
      PlaceByRow(data, choice, tail, progress);
    } else if (kSeesOutput<Progress> || !PlaceAcrossSubjoined(data, tail, row)) {
      // A hook sees the stages' output before the tail repair, which that row includes.
      PlaceByStages(unit, tail, progress);
      data = output_.data();
    }
    progress.UnitFinished();
  }
  output_.SetLength(tail.size);
  if constexpr (!kSeesOutput<Progress>) {
    Settle();
    tail.size = output_.size();
  }
  tail_ = tail;
}

// The fix-ups on what the slice settled, while it is in cache: up to the last kStagesReach
// units, or back from there to a unit that no fix-up uses, so that no match and no run the
// fix-ups rewrite reaches into what the stages may still change. A long stretch of such units
// waits for a later slice, or for Finish.
void TextConverter::Pass::Settle() {
  constexpr std::size_t kLongestWait = 64;
  if (output_.size() <= settled_ + kStagesReach) return;
  const char16_t* data = output_.data();
  std::size_t to = output_.size() - kStagesReach;
  const std::size_t lowest = std::max(settled_, to - std::min(to, kLongestWait));
  while (to > lowest && detail::IsFixupUnit(data[to - 1])) --to;
  if (to == settled_ || detail::IsFixupUnit(data[to - 1])) return;
  settled_ = ApplyFixupsWithin(output_, settled_, to);
}

// The output's length is kept in `tail` and given to output_ only where something looks at it.
template <typename Progress>
[[gnu::always_inline]] inline void TextConverter::Pass::PlaceByRow(char16_t* data,
                                                                   const RowChoice& choice,
                                                                   Tail& tail, Progress& progress) {
  const detail::Placement& placement = *choice.placement;
  WriteRow(data, choice);
  tail.size = choice.base_at + placement.length;
  tail.last = static_cast<char16_t>(placement.new_last | (choice.base & placement.keeps_base_mask));
  tail.state = placement.state_after;
  if constexpr (kSeesOutput<Progress>) {
    output_.SetLength(tail.size);
    progress.UnitPlaced(output_.View());
  }
  if ((detail::RolesOf(choice.base) & placement.repair_roles) != 0) {
    output_.SetLength(tail.size);
    RepairTailOutOfLine(output_);
  }
}

// A unit or a state that no row covers: the empty output, a surrogate, a virama after a
// virama, a line break, and the like.
template <typename Progress>
void TextConverter::Pass::PlaceByStages(char16_t unit, Tail& tail, Progress& progress) {
  output_.SetLength(tail.size);
  PlaceThroughStages(output_, unit);
  progress.UnitPlaced(output_.View());
  RepairTail(output_);
  tail.size = output_.size();
  tail.last = tail.size != 0 ? output_.FromEnd(1) : char16_t{0};
  tail.state = detail::StateOfOutput(tail.last, tail.size);
}

void TextConverter::Add(std::u16string_view piece) {
  NoProgress progress;
  pass_->Run(piece, progress);
}

std::u16string TextConverter::Finish() && {
  ApplyFixupsWithin(pass_->output_, pass_->settled_, pass_->output_.size());
  return std::move(pass_->output_).Take();
}

std::u16string ConvertText(std::u16string_view input) {
  std::u16string output;
  ConvertText(input, output);
  return output;
}

void ConvertText(std::u16string_view input, std::u16string& output) {
  TextConverter converter;
  converter.pass_->output_.Reuse(std::move(output));
  converter.pass_->output_.Reserve(3 * input.size());
  converter.Add(input);
  output = std::move(converter).Finish();
}

std::u16string ConvertText(std::u16string_view input, ConvertProgress& progress) {
  std::u16string own_copy;
  own_copy.reserve(input.size());
  AdviseHugePages(own_copy.data(), own_copy.capacity() * sizeof(char16_t));
  own_copy.assign(input);
  TextConverter converter(own_copy.size());
  converter.pass_->Run(std::u16string_view(own_copy), progress);
  return std::move(converter).Finish();
}

}  // namespace lipimattam
