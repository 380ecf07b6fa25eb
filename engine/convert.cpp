#include "engine/convert.h"

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
