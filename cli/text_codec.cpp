#include "cli/text_codec.h"

#include <unicode/ustring.h>
#include <utf8cpp/utf8.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include <lipimattam/utf16.h>

namespace lipimattam {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Text goes through ICU's decoder and encoder in pieces of this many bytes or units. The fuzz
// build makes them tiny, so that every input there crosses the ends of pieces.
#ifdef LIPIMATTAM_CODEC_PIECE_SIZE
constexpr std::size_t kPieceSize = LIPIMATTAM_CODEC_PIECE_SIZE;
#else
constexpr std::size_t kPieceSize = std::size_t{1} << 16;
#endif
static_assert(kPieceSize >= 8, "a piece holds a whole character and a surrogate pair");

bool IsUtf8ContinuationByte(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0u) == 0x80u;
}

// Counts lines and the characters of the last line in `before`: a line ends at LF, CR LF or
// a lone CR; `starts_character` tells which units begin a character.
template <typename Unit, typename StartsCharacter>
TextPosition PositionAfter(std::basic_string_view<Unit> before, StartsCharacter starts_character) {
  TextPosition position;
  Unit previous = 0;
  for (const Unit unit : before) {
    if (unit == Unit{'\r'} || (unit == Unit{'\n'} && previous != Unit{'\r'})) {
      ++position.line;
      position.column = 1;
    } else if (unit != Unit{'\n'} && starts_character(unit)) {
      ++position.column;
    }
    previous = unit;
  }
  return position;
}

}  // namespace

TextPosition PositionOfByte(std::string_view bytes, std::size_t byte_offset) {
  std::string_view before = bytes.substr(0, byte_offset);
  if (before.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    before.remove_prefix(kByteOrderMark.size());
  return PositionAfter(before, [](char byte) { return !IsUtf8ContinuationByte(byte); });
}

void AdvancePosition(TextPosition& position, char16_t& previous, std::u16string_view units) {
  if (units.empty()) return;
  // Lines are counted in one pass without branches, which the compiler vectorizes; the column
  // then counts the characters after the last line break.
  std::size_t breaks = 0;
  char16_t before = previous;
  for (const char16_t unit : units) {
    breaks += static_cast<std::size_t>(unit == u'\r') +
              static_cast<std::size_t>(unit == u'\n' && before != u'\r');
    before = unit;
  }
  std::size_t start = 0;  // of the last line
  if (breaks != 0) {
    position.line += breaks;
    position.column = 1;
    start = units.find_last_of(u"\r\n") + 1;
  }
  // Only an LF that ends a CR LF begun before these units can be left among them.
  for (const char16_t unit : units.substr(start))
    position.column += static_cast<std::size_t>(unit != u'\n' && !IsLowSurrogate(unit));
  previous = units.back();
}

TextPosition PositionOfUnit(std::u16string_view text, std::size_t unit_index) {
  TextPosition position;
  char16_t previous = 0;
  AdvancePosition(position, previous, text.substr(0, unit_index));
  return position;
}

std::optional<Utf8Error> DecodeUtf8(std::string_view bytes, const Utf16Sink& take) {
  std::size_t start = 0;
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) start = kByteOrderMark.size();
  const std::string_view text = bytes.substr(start);
  // ICU's decoder is the fast one; only when it meets invalid bytes does utfcpp find where the
  // first of them is. The leading mark is already left out; a second one is text and stays.
  std::vector<char16_t> buffer(std::min(kPieceSize, text.size()) + 1);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = std::min(text.size(), at + kPieceSize);
    // A piece ends before the first byte of a character, never inside one.
    for (std::size_t back = 0;
         back < 3 && end < text.size() && end > at + 1 && IsUtf8ContinuationByte(text[end]); ++back)
      --end;
    std::int32_t decoded = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(buffer.data(), static_cast<std::int32_t>(buffer.size()), &decoded,
                  text.data() + at, static_cast<std::int32_t>(end - at), &status);
    if (U_FAILURE(status)) {
      // The text before this piece was valid.
      const std::string_view rest = text.substr(at);
      const auto invalid = at + static_cast<std::size_t>(
                                    utf8::find_invalid(rest.begin(), rest.end()) - rest.begin());
      if (invalid != text.size()) {
        return Utf8Error{start + invalid, PositionOfByte(bytes, start + invalid),
                         static_cast<unsigned char>(text[invalid])};
      }
      // The two decoders disagree about valid text: a piece was cut inside a character. That
      // is a fault of this code, reported as one rather than hidden behind a slower decoder.
      return Utf8Error{start + at, PositionOfByte(bytes, start + at),
                       static_cast<unsigned char>(text[at]), true};
    }
    take(std::u16string_view(buffer.data(), static_cast<std::size_t>(decoded)));
    at = end;
  }
  return std::nullopt;
}

std::optional<Utf8Error> AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out) {
  const std::size_t old_size = out.size();
  // A UTF-8 text never has more UTF-16 units than bytes. The room is only reserved: the text
  // is decoded piece by piece, so no more memory is touched than the text needs.
  out.reserve(old_size + bytes.size());
  const auto error = DecodeUtf8(bytes, [&out](std::u16string_view piece) { out.append(piece); });
  if (error) out.resize(old_size);
  return error;
}

EncodeOutcome EncodeUtf8(std::u16string_view units, const BytesSink& put) {
  // Nothing is written when a surrogate half stands alone. Surrogates are rare: a quick scan
  // (which the compiler vectorizes) says whether the exact check is needed.
  bool any_surrogate = false;
  for (const char16_t unit : units) any_surrogate |= (unit & 0xF800u) == 0xD800u;
  for (std::size_t i = 0; any_surrogate && i < units.size(); ++i) {
    const char16_t unit = units[i];
    const bool high = IsHighSurrogate(unit);
    if (IsLowSurrogate(unit) || (high && (i + 1 == units.size() || !IsLowSurrogate(units[i + 1]))))
      return {i, false};
    if (high) ++i;
  }
  // Every unit takes at most three bytes; a pair takes four for its two units.
  std::vector<char> buffer(std::min(kPieceSize, units.size()) * 3);
  for (std::size_t at = 0; at < units.size();) {
    std::size_t end = std::min(units.size(), at + kPieceSize);
    if (end < units.size() && IsHighSurrogate(units[end - 1])) --end;  // keeps a pair whole
    std::int32_t encoded = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(buffer.data(), static_cast<std::int32_t>(buffer.size()), &encoded,
                units.data() + at, static_cast<std::int32_t>(end - at), &status);
    if (U_FAILURE(status)) return {at, false};  // cannot be: every pair was checked whole
    if (!put(std::string_view(buffer.data(), static_cast<std::size_t>(encoded))))
      return {std::nullopt, true};
    at = end;
  }
  return {};
}

void DecodeSingleBytes(std::string_view bytes, CodePage page, const Utf16Sink& take) {
  const std::array<char16_t, 256>& units = UnitsOfBytes(page);
  std::u16string piece;
  for (std::size_t at = 0; at < bytes.size(); at += kPieceSize) {
    const std::string_view part = bytes.substr(at, kPieceSize);
    piece.resize(part.size());
    std::transform(part.begin(), part.end(), piece.begin(),
                   [&units](char byte) { return units[static_cast<unsigned char>(byte)]; });
    take(piece);
  }
}

namespace {

// One byte per unit, as `byte_of` gives it (-1 for none): nothing is written when a unit has
// none.
template <typename ByteOf>
EncodeOutcome EncodeSingleBytes(std::u16string_view units, const BytesSink& put, ByteOf byte_of) {
  const auto unwritable =
      std::find_if(units.begin(), units.end(), [&](char16_t unit) { return byte_of(unit) < 0; });
  if (unwritable != units.end())
    return {static_cast<std::size_t>(unwritable - units.begin()), false};
  std::string buffer(std::min(kPieceSize, units.size()), '\0');
  for (std::size_t at = 0; at < units.size(); at += kPieceSize) {
    const std::u16string_view piece = units.substr(at, kPieceSize);
    std::transform(piece.begin(), piece.end(), buffer.begin(),
                   [&](char16_t unit) { return static_cast<char>(byte_of(unit)); });
    if (!put(std::string_view(buffer).substr(0, piece.size()))) return {std::nullopt, true};
  }
  return {};
}

}  // namespace

EncodeOutcome EncodeLatin1(std::u16string_view units, const BytesSink& put) {
  return EncodeSingleBytes(units, put,
                           [](char16_t unit) { return ByteOfUnit(unit, CodePage::kLatin1); });
}

EncodeOutcome EncodeCp1252(std::u16string_view units, const BytesSink& put) {
  return EncodeSingleBytes(units, put,
                           [](char16_t unit) { return ByteOfUnit(unit, CodePage::kCp1252); });
}

namespace {

EncodeResult EncodeWhole(std::u16string_view units, std::size_t bytes_per_unit,
                         EncodeOutcome (*encode)(std::u16string_view, const BytesSink&)) {
  EncodeResult result;
  result.bytes.reserve(units.size() * bytes_per_unit);
  result.unwritable_unit = encode(units, [&result](std::string_view piece) {
                             result.bytes.append(piece);
                             return true;
                           }).unwritable_unit;
  return result;
}

}  // namespace

EncodeResult EncodeUnitsAsUtf8(std::u16string_view units) {
  return EncodeWhole(units, 3, EncodeUtf8);
}

EncodeResult EncodeUnitsAsLatin1(std::u16string_view units) {
  return EncodeWhole(units, 1, EncodeLatin1);
}

EncodeResult EncodeUnitsAsCp1252(std::u16string_view units) {
  return EncodeWhole(units, 1, EncodeCp1252);
}

}  // namespace lipimattam
