// Reading UTF-8 text into UTF-16 and writing the converted units out again, piece by piece,
// with errors returned as values that say where the problem is.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <lipimattam/code_pages.h>

namespace lipimattam {

enum class Encoding {
  kUtf8,
  kLatin1,    // one byte per character, U+0000..U+00FF
  kCp1252,    // as latin1, but the bytes 0x80..0x9F are Windows-1252's punctuation
  kMacRoman,  // input only, with --to-unicode: UTF-8 text whose Mac Roman characters stand for
              // the codes, as text set in the Mac versions of the ML-TT fonts holds them
};

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
};

// UTF-8 decoded into UTF-16: the units written, and where the first byte that is not UTF-8
// stands, if there is one (decoding stops before it). Overlong forms, surrogates, code points
// past U+10FFFF and characters cut short are not UTF-8.
struct Utf8Decoded {
  std::size_t units = 0;
  std::optional<std::size_t> invalid_at;
};
// `out` has room for one unit a byte.
[[nodiscard]] Utf8Decoded DecodeUtf8Into(std::string_view bytes, char16_t* out);

// Writes `units` as UTF-8 at `out`, which has room for three bytes a unit, and returns the end;
// at a surrogate half that stands alone it returns null and the half's index in `bad`.
[[nodiscard]] char* EncodeUtf8Into(std::u16string_view units, char* out, std::size_t& bad);

// Receives the text piece by piece, in order.
using Utf16Sink = std::function<void(std::u16string_view piece)>;
// Receives bytes piece by piece, in order; returns false to stop.
using BytesSink = std::function<bool(std::string_view piece)>;

// Decodes `bytes`, a leading byte order mark left out, and hands the UTF-16 text to `take` in

[[nodiscard]] std::optional<Utf8Error> DecodeUtf8(std::string_view bytes, const Utf16Sink& take);

// Appends the UTF-16 form of `bytes` to `out`, a leading byte order mark left out. On invalid
// UTF-8 nothing is appended and the first bad byte is reported.
[[nodiscard]] std::optional<Utf8Error> AppendUtf8AsUtf16(std::string_view bytes,
                                                         std::u16string& out);

// Hands `bytes` to `take` one unit per byte, in pieces, each byte as the code page reads it.
void DecodeSingleBytes(std::string_view bytes, CodePage page, const Utf16Sink& take);

// The line and column of the byte at `byte_offset` in UTF-8 text; a leading byte order mark
// is not a character of the text.
[[nodiscard]] TextPosition PositionOfByte(std::string_view bytes, std::size_t byte_offset);

// Moves `position` past `units`; `previous` is the unit before them (0 for none), and is left
// as the last of them, so that a CR LF split between two calls counts once.
void AdvancePosition(TextPosition& position, char16_t& previous, std::u16string_view units);

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
