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

}  // namespace

struct TextConverter::Pass {
  template <typename Progress>
  void Run(std::u16string_view input, Progress& progress);

  OutputText output_;
  char16_t last_ = 0;       // the last unit of the output, kept so it need not be read back
  std::uint8_t state_ = 0;  // what the output ends in, as the quick rows see it
};

TextConverter::TextConverter(std::size_t expected_units) : pass_(std::make_unique<Pass>()) {
  // No code unit adds more than three units.
  pass_->output_.Reserve(3 * expected_units);
}

TextConverter::TextConverter(TextConverter&&) noexcept = default;
TextConverter& TextConverter::operator=(TextConverter&&) noexcept = default;
TextConverter::~TextConverter() = default;

template <typename Progress>
void TextConverter::Pass::Run(std::u16string_view input, Progress& progress) {
  using detail::kEndsInVirama;
  // The input goes in slices; before each, room is made for three units per unit of it and
  // the four that a row writes from its base on (at most two units before the end), so
  // nothing moves the buffer within a slice.
  constexpr std::size_t kSlice = 1 << 14;
  std::size_t size = output_.size();
  char16_t last = last_;
  std::uint8_t state = state_;
  for (std::size_t slice_start = 0; slice_start < input.size(); slice_start += kSlice) {
    const std::u16string_view slice = input.substr(slice_start, kSlice);
    output_.MakeRoom(3 * slice.size() + GlyphString::kCapacity);
    char16_t* data = output_.data();
    for (const char16_t unit : slice) {
      progress.UnitStarting();
      const std::uint32_t row = detail::PlacementRow(unit);
      const detail::Placement* placement;
      std::size_t base_at;
      char16_t base;
      bool holds;
      if ((state & kEndsInVirama) != 0) {
        // The unit before the virama is the base: a conjunct or a sub-joined sign replaces
        // both.
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
        output_.SetLength(size);
        progress.UnitPlaced(output_.View());
        if ((detail::RolesOf(base) & placement->repair_roles) != 0) RepairTailOutOfLine(output_);
      } else {
        // A unit or a state that no row covers: the empty output, a surrogate, a virama after
        // a virama, a line break, and the like.
        output_.SetLength(size);
        PlaceThroughStages(output_, unit);
        progress.UnitPlaced(output_.View());
        RepairTail(output_);
        data = output_.data();
        size = output_.size();
        last = size != 0 ? output_.FromEnd(1) : char16_t{0};
        state = detail::StateOfOutput(last, size);
      }
      progress.UnitFinished();
    }
    output_.SetLength(size);
  }
  last_ = last;
  state_ = state;
}

void TextConverter::Add(std::u16string_view piece) {
  NoProgress progress;
  pass_->Run(piece, progress);
}

std::u16string TextConverter::Finish() && {
  ApplyFinalFixups(pass_->output_);
  return std::move(pass_->output_).Take();
}

std::u16string ConvertText(std::u16string_view input) {
  TextConverter converter(input.size());
  converter.Add(input);
  return std::move(converter).Finish();
}

std::u16string ConvertText(std::u16string_view input, ConvertProgress& progress) {
  const std::u16string own_copy(input);
  TextConverter converter(own_copy.size());
  converter.pass_->Run(std::u16string_view(own_copy), progress);
  return std::move(converter).Finish();
}

}  // namespace lipimattam
