// What the cuts of the reading back to Unicode need to know of the glyph codes.
#pragma once

namespace lipimattam {

// Whether a glyph code is drawn before the consonant of its cluster: the E and EE signs and
// the RA sign.
[[nodiscard]] bool StandsBeforeConsonant(char16_t glyph);

}  // namespace lipimattam
