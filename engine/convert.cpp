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

// Where the glyphs of a Malayalam code unit go when the output does not end in the virama (so
// neither the conjunct nor the sub-joined sign stage acts): the last unit L of the output
// becomes `before`, L, `after`. A plain letter is all `after`; a pre-base sign all `before`;
// a two-part sign one unit on each side. The table lets the pass place every letter and sign
// the same way, without a branch on which it is.
struct Placement {
  GlyphString before;
  GlyphString after;
};

constexpr Placement PlacementOf(const GlyphString& glyphs) {
  if (detail::Contains(PreBaseSigns, glyphs)) return {glyphs, {}};
  if (detail::Contains(TwoPartSigns, glyphs)) return {glyphs[0], glyphs[1]};
  return {{}, glyphs};
}

constexpr std::array<Placement, kGlyphMapSpan> BuildPlacements() {
  std::array<Placement, kGlyphMapSpan> placements{};
  for (std::size_t i = 0; i < kGlyphMapSpan; ++i)
    placements[i] = PlacementOf(MapCodeUnit(static_cast<std::int32_t>(kGlyphMapFirst + i)));
  return placements;
}

constexpr std::array<Placement, kGlyphMapSpan> kPlacements = BuildPlacements();

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
    } else if (!output.empty() && output.FromEnd(1) != kViramaGlyph &&
               !detail::IsLowSurrogate(output.FromEnd(1))) {
      // The common case: only the placement stage acts (a sign moves over a single unit, never
      // half a surrogate pair), and for a Malayalam unit the table says where its glyphs go;
      // anything else is appended.
      const auto offset = static_cast<std::uint32_t>(unit) - kGlyphMapFirst;
      if (offset < kGlyphMapSpan) {
        const Placement& placement = kPlacements[offset];
        const char16_t last = output.FromEnd(1);
        output.RemoveLast(1);
        output.Append(placement.before);
        output.Append(last);
        output.Append(placement.after);
      } else {
        output.Append(MapCodeUnit(unit));
      }
    } else {
      GlyphString current = MapCodeUnit(unit);
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
