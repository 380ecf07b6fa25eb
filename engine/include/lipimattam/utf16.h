// The halves of UTF-16's surrogate pairs, for every part of the project that cuts, moves or
// joins text: a pair is one character and is never split.
#pragma once

namespace lipimattam {

[[nodiscard]] constexpr bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

[[nodiscard]] constexpr bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Either half: a unit that is no character by itself.
[[nodiscard]] constexpr bool IsSurrogate(char16_t unit) {
  return (unit & 0xF800) == 0xD800;
}

}  // namespace lipimattam
