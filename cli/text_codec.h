// Reading UTF-8 text into UTF-16 and writing the converted units out again, with errors
// returned as values that say where the problem is.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace lipimattam {

// Where a character stands: line and column from 1, the column counted in characters.
struct TextPosition {
  std::size_t line = 1;
  std::size_t column = 1;
};

struct Utf8Error {
  std::size_t byte_offset = 0;  // from 0, of the first byte that is not valid UTF-8
  TextPosition position;        // of the character that starts there
  unsigned char byte = 0;       // its value
};

// Appends the UTF-16 form of `bytes` to `out`, a leading byte order mark left out. On invalid
// UTF-8 nothing is appended and the first bad byte is reported.
[[nodiscard]] std::optional<Utf8Error> AppendUtf8AsUtf16(std::string_view bytes,
                                                         std::u16string& out);

// The line and column of the byte at `byte_offset` in UTF-8 text (LF ends a line).
[[nodiscard]] TextPosition PositionOfByte(std::string_view bytes, std::size_t byte_offset);

// The line and column of the unit at `unit_index` in UTF-16 text (LF ends a line; a surrogate
// pair is one character).
[[nodiscard]] TextPosition PositionOfUnit(std::u16string_view text, std::size_t unit_index);

// Each unit as the Unicode character of the same value, surrogate pairs joined; so the glyph
// code 0xC2 becomes U+00C2. A lone surrogate half cannot be written: its index is returned.
struct EncodeResult {
  std::string bytes;
  std::optional<std::size_t> unwritable_unit;
};
[[nodiscard]] EncodeResult EncodeUnitsAsUtf8(std::u16string_view units);

// One byte per unit. A unit of 0x100 or more has no byte: its index is returned instead.
[[nodiscard]] EncodeResult EncodeUnitsAsLatin1(std::u16string_view units);

}  // namespace lipimattam
