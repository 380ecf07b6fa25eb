#include "engine/convert.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "engine/glyph_map.h"
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

// The final fix-ups and the returned copy, kept apart from the loop of the pass.
[[gnu::noinline]] std::u16string Finish(OutputText& output) {
  ApplyFinalFixups(output);
  return std::u16string(output.View());
}

template <typename Progress>
std::u16string RunPass(std::u16string_view input, Progress& progress) {
  using detail::kEndsInVirama;
  OutputText output;
  // No code unit adds more than three units, and a row writes four from its base on, which is
  // at most two units before the end, so the buffer never grows during the pass. The room the
  // text does not reach is never touched.
  output.Reserve(3 * input.size());
  char16_t* const data = output.data();
  std::size_t size = 0;
  char16_t last = 0;  // the last unit of the output, kept so it need not be read back
  std::uint8_t state = 0;
  for (const char16_t unit : input) {
    progress.UnitStarting();
    const std::uint32_t row = detail::PlacementRow(unit);
    const detail::Placement* placement;
    std::size_t base_at;
    char16_t base;
    bool holds;
    if ((state & kEndsInVirama) != 0) {
      // The unit before the virama is the base: a conjunct or a sub-joined sign replaces both.
      base_at = size - 2;
      base = data[base_at];
      placement = &detail::PlacementAfterVirama(base, row);
      holds = (placement->holds_in & detail::BaseState(base)) != 0;
    } else {
      base_at = size - 1;
      base = last;
      placement = &detail::kPlacements[row];
      holds = (placement->holds_in & state) != 0;
    }
    if (holds) [[likely]] {
      const std::uint64_t word = detail::PlacedWord(*placement, base);
      if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(data + base_at, &word, sizeof word);
      } else {
        for (std::size_t i = 0; i < GlyphString::kCapacity; ++i)
          data[base_at + i] = static_cast<char16_t>(word >> (16 * i));
      }
      size = base_at + placement->length;
      last = static_cast<char16_t>(placement->new_last | (base & placement->keeps_base_mask));
      state = placement->state_after;
      output.SetLength(size);
      progress.UnitPlaced(output.View());
      if ((detail::RolesOf(base) & placement->repair_roles) != 0) RepairTailOutOfLine(output);
    } else {
      // A unit or a state that no row covers: the empty output, a surrogate, a virama after a
      // virama, and the like.
      output.SetLength(size);
      PlaceThroughStages(output, unit);
      progress.UnitPlaced(output.View());
      RepairTail(output);
      size = output.size();
      last = size != 0 ? output.FromEnd(1) : char16_t{0};
      state = detail::StateOfOutput(last, size);
    }
    progress.UnitFinished();
  }
  output.SetLength(size);
  return Finish(output);
}

}  // namespace

std::u16string ConvertText(std::u16string_view input) {
  NoProgress progress;
  return RunPass(input, progress);
}

std::u16string ConvertText(std::u16string_view input, ConvertProgress& progress) {
  const std::u16string own_copy(input);
  return RunPass(std::u16string_view(own_copy), progress);
}

}  // namespace lipimattam
