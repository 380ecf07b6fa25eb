// The conversion written the long way: every code unit through every stage in its order, with
// no shortcut. The pass must always give what this gives.
#pragma once

#include <string>
#include <string_view>

#include "engine/glyph_map.h"
#include "engine/stages.h"

namespace lipimattam::testing {

inline std::u16string ConvertStageByStage(std::u16string_view input) {
  OutputText output;
  for (const char16_t unit : input) {
    if (unit <= 0xFF) {
      output.Append(unit);
    } else {
      GlyphString current = MapCodeUnit(unit);
      ApplyConjunctRules(output, current);
      ApplySubjoinedSigns(output, current);
      PlaceVowelSign(output, current);
    }
    RepairTail(output);
  }
  for (const FixupReplacement& fixup : FixupReplacements) ApplyFixup(output, fixup);
  return std::u16string(output.View());
}

}  // namespace lipimattam::testing
