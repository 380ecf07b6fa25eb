// Where a text may be cut: converting the text before a cut point and the text after it gives
// the whole text's output, cut at the cut point's output offset. A caller that must hand each
// converted piece back to the place it came from (a document's runs, a stream's pieces) cuts
// there. Every syllable boundary and every line break is a cut point.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include <lipimattam/to_unicode.h>

namespace lipimattam {

struct CutPoint {
  std::size_t input = 0;   // the input before it: input[..input]
  std::size_t output = 0;  // the length of that part's output
};

// Whether ConvertText's input may be cut before input[at]: at a line break; before a syllable
// (a consonant, a vowel letter, a digit or any other character above U+00FF that is no sign)
// that does not follow a virama, a joiner or a dot reph; and on either side of a space or tab.
// Other units up to U+00FF are glyph codes that the rules act on, so no cut touches them. Both
// ends of the text are cut points.
[[nodiscard]] bool IsCutPoint(std::u16string_view input, std::size_t at);

// ConvertText's output, and for each offset of `wanted` (ascending; larger ones stand for the
// end) the first cut point at or after it: a syllable that a wanted offset splits goes with the
// part where it begins.
struct CutConversion {
  std::u16string text;
  std::vector<CutPoint> cuts;  // one for each wanted offset, in order
};
[[nodiscard]] CutConversion ConvertTextWithCuts(std::u16string_view input,
                                                const std::vector<std::size_t>& wanted);

// Whether ConvertToUnicode's input may be cut before glyphs[at]: at a line break, and before
// a code that begins a cluster (a consonant, ligature, vowel letter, pre-base or RA sign,
// digit, space or other character) and does not belong to the cluster before it.
[[nodiscard]] bool IsGlyphCutPoint(std::u16string_view glyphs, std::size_t at);

// ConvertToUnicode's result, with a cut point for each wanted offset: a cluster that an offset
// splits goes with the part that holds its consonant, so the cut is the cluster's start when
// only signs drawn before the consonant (the E, EE and RA signs) stand before the offset, and
// the first cut point after the offset otherwise.
struct CutReading {
  ToUnicodeResult result;
  std::vector<CutPoint> cuts;
};
[[nodiscard]] CutReading ConvertToUnicodeWithCuts(std::u16string_view glyphs,
                                                  const std::vector<std::size_t>& wanted,
                                                  const ToUnicodeOptions& options = {});

}  // namespace lipimattam
