// Which legacy Malayalam fonts hold their text in the ML-TT encoding, and how.
#pragma once

#include <optional>
#include <string_view>

namespace lipimattam {

enum class FontEncoding {
  kMlTt,     // the ML-TT codes as the characters U+0000..U+00FF (ML-TTRevathi, ML-TTKarthika)
  kMlTtMac,  // the same codes as Mac Roman characters (ML-Revathi, the family's Mac versions)
  kOther,    // a legacy font of another encoding: left alone
  kUnknown,  // a legacy font whose encoding is not known: left alone
};

// The encoding of a legacy font by its name, matched without regard to case, spaces or
// hyphens; nothing for a font that is not a known legacy one.
[[nodiscard]] std::optional<FontEncoding> LegacyFontEncoding(std::string_view name);

// Whether two font names are the same but for case, spaces and hyphens.
[[nodiscard]] bool SameFontName(std::string_view a, std::string_view b);

}  // namespace lipimattam
