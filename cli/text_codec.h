// Reading UTF-8 text into UTF-16 and writing the converted units out again, piece by piece,
// with errors returned as values that say where the problem is.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace lipimattam {

// Where a character stands: line and column from 1, the column counted in characters. A line
// ends at LF, CR LF or a lone CR.
struct TextPosition {
  std::size_t line = 1;
  std::size_t column = 1;
};

struct Utf8Error {
  std::size_t byte_offset = 0;  // from 0, of the first byte that is not valid UTF-8
  TextPosition position;        // of the character that starts there
  unsigned char byte = 0;       // its value
  // The text is valid, but the fast decoder refused the piece that starts at byte_offset: the
  // pieces were cut wrong. A fault of the program, never of the text.
  bool internal = false;
};

// Receives the text piece by piece, in order.
using Utf16Sink = std::function<void(std::u16string_view piece)>;
// Receives bytes piece by piece, in order; returns false to stop.
using BytesSink = std::function<bool(std::string_view piece)>;

// Decodes `bytes`, a leading byte order mark left out, and hands the UTF-16 text to `take` in
// pieces. On invalid UTF-8 it reports the first bad byte; the pieces before the one that
// holds it may have been handed over.
[[nodiscard]] std::optional<Utf8Error> DecodeUtf8(std::string_view bytes, const Utf16Sink& take);

// Appends the UTF-16 form of `bytes` to `out`, a leading byte order mark left out. On invalid
// UTF-8 nothing is appended and the first bad byte is reported.
[[nodiscard]] std::optional<Utf8Error> AppendUtf8AsUtf16(std::string_view bytes,
                                                         std::u16string& out);

// Windows-1252, as legacy ML-TT files saved on Windows hold their typographic punctuation:
// the characters of the bytes 0x80..0x9F, and 0 for the five bytes it leaves undefined, which
// stay glyph codes. Every other byte is the character of the same value, as in latin1.
inline constexpr std::array<char16_t, 32> kCp1252Characters = {
    0x20AC,  // 0x80 EURO SIGN
    0,       // 0x81 undefined
    0x201A,  // 0x82 SINGLE LOW-9 QUOTATION MARK
    0x0192,  // 0x83 LATIN SMALL LETTER F WITH HOOK
    0x201E,  // 0x84 DOUBLE LOW-9 QUOTATION MARK
    0x2026,  // 0x85 HORIZONTAL ELLIPSIS
    0x2020,  // 0x86 DAGGER
    0x2021,  // 0x87 DOUBLE DAGGER
    0x02C6,  // 0x88 MODIFIER LETTER CIRCUMFLEX ACCENT
    0x2030,  // 0x89 PER MILLE SIGN
    0x0160,  // 0x8A LATIN CAPITAL LETTER S WITH CARON
    0x2039,  // 0x8B SINGLE LEFT-POINTING ANGLE QUOTATION MARK
    0x0152,  // 0x8C LATIN CAPITAL LIGATURE OE
    0,       // 0x8D undefined
    0x017D,  // 0x8E LATIN CAPITAL LETTER Z WITH CARON
    0,       // 0x8F undefined
    0,       // 0x90 undefined
    0x2018,  // 0x91 LEFT SINGLE QUOTATION MARK
    0x2019,  // 0x92 RIGHT SINGLE QUOTATION MARK
    0x201C,  // 0x93 LEFT DOUBLE QUOTATION MARK
    0x201D,  // 0x94 RIGHT DOUBLE QUOTATION MARK
    0x2022,  // 0x95 BULLET
    0x2013,  // 0x96 EN DASH
    0x2014,  // 0x97 EM DASH
    0x02DC,  // 0x98 SMALL TILDE
    0x2122,  // 0x99 TRADE MARK SIGN
    0x0161,  // 0x9A LATIN SMALL LETTER S WITH CARON
    0x203A,  // 0x9B SINGLE RIGHT-POINTING ANGLE QUOTATION MARK
    0x0153,  // 0x9C LATIN SMALL LIGATURE OE
    0,       // 0x9D undefined
    0x017E,  // 0x9E LATIN SMALL LETTER Z WITH CARON
    0x0178,  // 0x9F LATIN CAPITAL LETTER Y WITH DIAERESIS
};

// The byte of `unit` in Windows-1252, or -1 when it has none: units up to 0xFF are their own
// byte, so glyph codes pass whole.
[[nodiscard]] int Cp1252Byte(char16_t unit);

// Hands `bytes` to `take` one unit per byte, in pieces: latin1, or with `cp1252` the bytes
// 0x80..0x9F as Windows-1252 characters.
void DecodeSingleBytes(std::string_view bytes, bool cp1252, const Utf16Sink& take);

// The line and column of the byte at `byte_offset` in UTF-8 text; a leading byte order mark
// is not a character of the text.
[[nodiscard]] TextPosition PositionOfByte(std::string_view bytes, std::size_t byte_offset);

// The line and column of the unit at `unit_index` in UTF-16 text (a surrogate pair is one
// character).
[[nodiscard]] TextPosition PositionOfUnit(std::u16string_view text, std::size_t unit_index);

// How writing units out ended: a unit that the encoding cannot hold (nothing was written), or
// a sink that asked to stop.
struct EncodeOutcome {
  std::optional<std::size_t> unwritable_unit;
  bool stopped = false;
};

// Each unit as the Unicode character of the same value, surrogate pairs joined; so the glyph
// code 0xC2 becomes U+00C2. A lone surrogate half cannot be written: nothing is written and
// its index is returned.
[[nodiscard]] EncodeOutcome EncodeUtf8(std::u16string_view units, const BytesSink& put);

// One byte per unit. A unit of 0x100 or more has no byte: nothing is written and its index is
// returned.
[[nodiscard]] EncodeOutcome EncodeLatin1(std::u16string_view units, const BytesSink& put);

// One byte per unit, Windows-1252's for its characters from U+0100 up. A unit with no byte:
// nothing is written and its index is returned.
[[nodiscard]] EncodeOutcome EncodeCp1252(std::u16string_view units, const BytesSink& put);

// The same, into one string.
struct EncodeResult {
  std::string bytes;
  std::optional<std::size_t> unwritable_unit;
};
[[nodiscard]] EncodeResult EncodeUnitsAsUtf8(std::u16string_view units);
[[nodiscard]] EncodeResult EncodeUnitsAsLatin1(std::u16string_view units);
[[nodiscard]] EncodeResult EncodeUnitsAsCp1252(std::u16string_view units);

}  // namespace lipimattam
