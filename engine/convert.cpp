#include "engine/convert.h"

#include <array>
#include <cstdint>

#include "engine/glyph_map.h"
#include "engine/output_text.h"
#include "engine/stages.h"

namespace lipimattam {
namespace {

struct NoProgress {
  void UnitStarting() {}
  void UnitPlaced(std::u16string_view /*output_so_far*/) {}
  void UnitFinished() {}
};

// Glyph strings that no stage but the append can touch once the output does not end in the
// virama: no sign to place, and nothing the tail repair looks for at their end. Most letters are
// such; the pass appends them at once.
constexpr bool IsPlain(const GlyphString& glyphs) {
  return !detail::InSet(detail::kPlacedSignFirstUnits, glyphs[0]) &&
         !detail::InSet(detail::kTailRepairLastUnits, glyphs[glyphs.size() - 1]);
}

constexpr std::array<bool, kGlyphMapSpan> BuildPlainMalayalam() {
  std::array<bool, kGlyphMapSpan> plain{};
  for (std::size_t i = 0; i < kGlyphMapSpan; ++i) {
    plain[i] = IsPlain(MapCodeUnit(static_cast<std::int32_t>(kGlyphMapFirst + i)));
  }
  return plain;
}

constexpr std::array<bool, kGlyphMapSpan> kPlainMalayalam = BuildPlainMalayalam();

// Whatever the map gives outside the Malayalam block (the unit itself, or a joiner's glyph)
// is plain.
static_assert(IsPlain(MapCodeUnit(kZeroWidthJoiner)) && IsPlain(MapCodeUnit(kZeroWidthNonJoiner)));

bool IsPlainUnit(char16_t unit) {
  const auto offset = static_cast<std::uint32_t>(unit) - kGlyphMapFirst;
  return offset >= kGlyphMapSpan || kPlainMalayalam[offset];
}

template <typename Progress>
std::u16string RunPass(std::u16string_view input, Progress& progress) {
  OutputText output;
  // No code unit adds more than three units, so the buffer never grows during the pass;
  // the room the text does not reach is never touched.
  output.Reserve(3 * input.size());
  for (const char16_t unit : input) {
    progress.UnitStarting();
    if (unit <= 0xFF) {
      // Latin letters, digits, punctuation and line breaks are glyph codes of the same value.
      output.Append(unit);
    } else {
      GlyphString current = MapCodeUnit(unit);
      if (IsPlainUnit(unit) && (output.empty() || output.FromEnd(1) != kViramaGlyph)) {
        // The stages would find nothing to do: append, and the tail needs no repair.
        output.Append(current);
        progress.UnitPlaced(output.View());
        progress.UnitFinished();
        continue;
      }
      ApplyConjunctRules(output, current);
      ApplySubjoinedSigns(output, current);
      PlaceVowelSign(output, current);
    }
    progress.UnitPlaced(output.View());
    RepairTail(output);
    progress.UnitFinished();
  }
  ApplyFinalFixups(output);
  return std::u16string(output.View());
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
