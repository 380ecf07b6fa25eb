#include "cli/text_codec.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <lipimattam/utf16.h>

namespace lipimattam {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Text is decoded and encoded in pieces of this many bytes or units. The fuzz
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
  // Lines are counted in one pass without branches, each unit compared with the one before it
  // as loaded again, which the compiler vectorizes; the column then counts the characters
  // after the last line break.
  const auto breaks_at = [](char16_t unit, char16_t before) {
    return static_cast<std::size_t>(unit == u'\r') +
           static_cast<std::size_t>((unit == u'\n') & (before != u'\r'));
  };
  std::size_t breaks = breaks_at(units[0], previous);
  for (std::size_t i = 1; i < units.size(); ++i) breaks += breaks_at(units[i], units[i - 1]);
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

namespace {

// A block of UTF-8 that holds only ASCII and characters of two bytes, read in one go.
constexpr std::size_t kLatinBlock = 32;

// Decodes the kLatinBlock bytes at `at` (and one more, where the last begins a character) when
// they are ASCII and valid characters of two bytes, and returns how many it took, with the
// units written in `units`; else writes nothing and returns 0. `at` starts a character, and
// kLatinBlock + 1 bytes may be read. No loop branches on the bytes, so the check vectorizes and
// the decoding does not mispredict where the two kinds alternate.
std::size_t DecodeLatinBlock(const unsigned char* at, char16_t* out, std::size_t& units) {
  const auto lead = [](unsigned byte) { return static_cast<unsigned>(byte - 0xC2u < 0x1Eu); };
  const auto continuation = [](unsigned byte) {
    return static_cast<unsigned>((byte & 0xC0u) == 0x80u);
  };
  // Every byte is ASCII, a lead of two bytes or a continuation, and continuations follow
  // exactly the leads.
  unsigned bad = continuation(at[0]);
  for (std::size_t i = 0; i < kLatinBlock; ++i) {
    const unsigned byte = at[i];
    const unsigned not_latin =
        static_cast<unsigned>(byte >= 0xE0u) | static_cast<unsigned>((byte & 0xFEu) == 0xC0u);
    bad |= (lead(byte) ^ continuation(at[i + 1])) | not_latin;
  }
  if (bad != 0) return 0;
  // The character that each byte ends, or would end, and whether it ends one, for all the
  // bytes at once (this vectorizes too); then the characters are packed, a lead's place taken
  // by the character its continuation ends.
  std::array<char16_t, kLatinBlock + 1> characters{};
  std::array<std::uint8_t, kLatinBlock + 1> ends{};
  characters[0] = at[0];
  ends[0] = static_cast<std::uint8_t>(1 - lead(at[0]));
  for (std::size_t i = 1; i <= kLatinBlock; ++i) {
    const unsigned byte = at[i];
    const unsigned joined_mask = 0u - continuation(byte);
    const unsigned joined = ((at[i - 1] & 0x1Fu) << 6) | (byte & 0x3Fu);
    characters[i] = static_cast<char16_t>((joined & joined_mask) | (byte & ~joined_mask));
    ends[i] = static_cast<std::uint8_t>(1 - lead(byte));
  }
  const std::size_t taken = kLatinBlock + lead(at[kLatinBlock - 1]);
  std::size_t written = 0;
  for (std::size_t i = 0; i < taken; ++i) {
    out[written] = characters[i];
    written += ends[i];
  }
  units = written;
  return taken;
}

}  // namespace

Utf8Decoded DecodeUtf8Into(std::string_view bytes, char16_t* out) {
  const auto* const begin = reinterpret_cast<const unsigned char*>(bytes.data());
  const unsigned char* const end = begin + bytes.size();
  const unsigned char* at = begin;
  char16_t* const out_begin = out;
  const auto cont = [](unsigned char byte) { return (byte & 0xC0u) == 0x80u; };
  while (at != end) {
    const unsigned char lead = *at;
    const auto left = static_cast<std::size_t>(end - at);
    if (lead < 0x80) {
      // A run of ASCII: eight bytes at a time, widened without a branch each, then this byte.
      // Between letters of Malayalam, whose bytes are never ASCII, the run is not looked for.
      while (end - at >= 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, at, 8);
        if ((word & 0x8080808080808080u) != 0) break;
        for (int i = 0; i < 8; ++i) out[i] = at[i];
        at += 8;
        out += 8;
      }
      if (at != end && *at < 0x80) *out++ = *at++;
    } else if (lead >= 0xC2 && lead <= 0xDF && left >= 2 && cont(at[1])) {
      *out++ = static_cast<char16_t>(((lead & 0x1Fu) << 6) | (at[1] & 0x3Fu));
      at += 2;
      // Where characters of two bytes are met, more may follow among ASCII (glyph codes, Latin
      // text): blocks of those alone are read without a branch per character.
      while (end - at > static_cast<std::ptrdiff_t>(kLatinBlock)) {
        std::size_t units = 0;
        const std::size_t taken = DecodeLatinBlock(at, out, units);
        if (taken == 0) break;
        at += taken;
        out += units;
      }
    } else if (lead >= 0xE0 && lead <= 0xEF && left >= 3 && cont(at[1]) && cont(at[2]) &&
               (lead != 0xE0 || at[1] >= 0xA0) && (lead != 0xED || at[1] <= 0x9F)) {
      // The letters of a script follow each other: the characters of three bytes with the same
      // lead byte (all of Malayalam has 0xE0) are read on in a loop of their own.
      const unsigned low_second = lead == 0xE0 ? 0xA0u : 0x80u;
      const unsigned high_second = lead == 0xED ? 0x9Fu : 0xBFu;
      do {
        *out++ = static_cast<char16_t>(((lead & 0x0Fu) << 12) | ((at[1] & 0x3Fu) << 6) |
                                       (at[2] & 0x3Fu));
        at += 3;
      } while (end - at >= 3 && at[0] == lead && at[1] >= low_second && at[1] <= high_second &&
               cont(at[2]));
    } else if (lead >= 0xF0 && lead <= 0xF4 && left >= 4 && cont(at[1]) && cont(at[2]) &&
               cont(at[3]) && (lead != 0xF0 || at[1] >= 0x90) && (lead != 0xF4 || at[1] <= 0x8F)) {
      const char32_t code_point = ((lead & 0x07u) << 18) | ((at[1] & 0x3Fu) << 12) |
                                  ((at[2] & 0x3Fu) << 6) | (at[3] & 0x3Fu);
      *out++ = static_cast<char16_t>(0xD7C0 + (code_point >> 10));
      *out++ = static_cast<char16_t>(0xDC00 | (code_point & 0x3FFu));
      at += 4;
    } else {
      return {static_cast<std::size_t>(out - out_begin), static_cast<std::size_t>(at - begin)};
    }
  }
  return {static_cast<std::size_t>(out - out_begin), std::nullopt};
}

char* EncodeUtf8Into(std::u16string_view units, char* out, std::size_t& bad) {
  const char16_t* const begin = units.data();
  const char16_t* const end = begin + units.size();
  for (const char16_t* at = begin; at != end;) {
    const char16_t unit = *at;
    if (unit < 0x80) {
      *out++ = static_cast<char>(unit);
      ++at;
    } else if (unit < 0x800) {
      out[0] = static_cast<char>(0xC0 | (unit >> 6));
      out[1] = static_cast<char>(0x80 | (unit & 0x3F));
      out += 2;
      ++at;
    } else if (!IsSurrogate(unit)) {
      // The letters of a script follow each other: characters of three bytes are written in a
      // loop of their own.
      do {
        const char16_t letter = *at;
        out[0] = static_cast<char>(0xE0 | (letter >> 12));
        out[1] = static_cast<char>(0x80 | ((letter >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (letter & 0x3F));
        out += 3;
        ++at;
      } while (at != end && *at >= 0x800 && !IsSurrogate(*at));
    } else if (IsHighSurrogate(unit) && at + 1 != end && IsLowSurrogate(at[1])) {
      const char32_t code_point =
          0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (at[1] - 0xDC00);
      out[0] = static_cast<char>(0xF0 | (code_point >> 18));
      out[1] = static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
      out[2] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
      out[3] = static_cast<char>(0x80 | (code_point & 0x3F));
      out += 4;
      at += 2;
    } else {
      bad = static_cast<std::size_t>(at - begin);
      return nullptr;
    }
  }
  return out;
}

std::optional<Utf8Error> DecodeUtf8(std::string_view bytes, const Utf16Sink& take) {
  std::size_t start = 0;
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) start = kByteOrderMark.size();
  const std::string_view text = bytes.substr(start);
  // The leading mark is left out; a second one is text and stays.
  std::unique_ptr<char16_t[]> buffer(new char16_t[std::min(kPieceSize, text.size()) + 4]);
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = std::min(text.size(), at + kPieceSize);
    // A piece ends before the first byte of a character, never inside one.
    for (std::size_t back = 0;
         back < 3 && end < text.size() && end > at + 1 && IsUtf8ContinuationByte(text[end]); ++back)
      --end;
    const Utf8Decoded decoded = DecodeUtf8Into(text.substr(at, end - at), buffer.get());
    take(std::u16string_view(buffer.get(), decoded.units));
    if (decoded.invalid_at) {
      // Past a run of stray continuation bytes the piece may end inside a character: what
      // looks cut short there is read again with the bytes that follow it.
      const std::size_t bad = at + *decoded.invalid_at;
      char16_t probe[4];
      const Utf8Decoded next = DecodeUtf8Into(text.substr(bad, 4), probe);
      if (next.invalid_at == std::size_t{0}) {
        const std::size_t invalid = start + bad;
        return Utf8Error{invalid, PositionOfByte(bytes, invalid),
                         static_cast<unsigned char>(bytes[invalid])};
      }
      end = bad;
    }
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
  // Nothing is written when a surrogate half stands alone: the text is checked first.
  std::unique_ptr<char[]> buffer(new char[std::min(kPieceSize, units.size()) * 3 + 4]);
  std::size_t bad = 0;
  for (std::size_t at = 0; at < units.size();) {
    std::size_t end = std::min(units.size(), at + kPieceSize);
    if (end < units.size() && IsHighSurrogate(units[end - 1])) --end;  // keeps a pair whole
    if (EncodeUtf8Into(units.substr(at, end - at), buffer.get(), bad) == nullptr)
      return {at + bad, false};
    at = end;
  }
  for (std::size_t at = 0; at < units.size();) {
    std::size_t end = std::min(units.size(), at + kPieceSize);
    if (end < units.size() && IsHighSurrogate(units[end - 1])) --end;
    const char* const written = EncodeUtf8Into(units.substr(at, end - at), buffer.get(), bad);
    if (!put(std::string_view(buffer.get(), static_cast<std::size_t>(written - buffer.get()))))
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
