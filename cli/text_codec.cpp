#include "cli/text_codec.h"

#include <utf8cpp/utf8.h>

#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>

#include <algorithm>
#include <vector>

namespace lipimattam {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Text goes through Qt's decoder and encoder in pieces of this many bytes or units. The fuzz
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

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

TextPosition PositionOfByte(std::string_view bytes, std::size_t byte_offset) {
  const std::string_view before = bytes.substr(0, byte_offset);
  const std::size_t line_start = before.rfind('\n') + 1;  // npos + 1 == 0
  TextPosition position;
  position.line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  position.column = 1 + static_cast<std::size_t>(std::count_if(
                            before.begin() + static_cast<long>(line_start), before.end(),
                            [](char byte) { return !IsUtf8ContinuationByte(byte); }));
  return position;
}

TextPosition PositionOfUnit(std::u16string_view text, std::size_t unit_index) {
  const std::u16string_view before = text.substr(0, unit_index);
  const std::size_t line_start = before.rfind(u'\n') + 1;
  TextPosition position;
  position.line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), u'\n'));
  position.column = 1 + static_cast<std::size_t>(std::count_if(
                            before.begin() + static_cast<long>(line_start), before.end(),
                            [](char16_t unit) { return !IsLowSurrogate(unit); }));
  return position;
}

std::optional<Utf8Error> AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out) {
  std::size_t start = 0;
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) start = kByteOrderMark.size();
  const std::string_view text = bytes.substr(start);
  // Qt's decoder is the fast one; only when it meets invalid bytes does utfcpp find where the
  // first of them is. The leading mark is already left out; a second one is text and stays.
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                     QStringConverter::Flag::ConvertInitialBom);
  const std::size_t old_size = out.size();
  // A UTF-8 text never has more UTF-16 units than bytes. The room is only reserved: the text
  // is decoded piece by piece through a small buffer, so no more memory is touched than the
  // text needs.
  out.reserve(old_size + text.size());
  const auto piece_size = static_cast<qsizetype>(std::min(kPieceSize, text.size()));
  std::vector<QChar> buffer(static_cast<std::size_t>(decoder.requiredSpace(piece_size)));
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = std::min(text.size(), at + kPieceSize);
    // A piece ends before the first byte of a character, never inside one.
    for (std::size_t back = 0;
         back < 3 && end < text.size() && end > at + 1 && IsUtf8ContinuationByte(text[end]); ++back)
      --end;
    const QChar* decoded_end = decoder.appendToBuffer(
        buffer.data(), QByteArrayView(text.data() + at, static_cast<qsizetype>(end - at)));
    if (decoder.hasError()) break;
    out.append(reinterpret_cast<const char16_t*>(buffer.data()),
               static_cast<std::size_t>(decoded_end - buffer.data()));
    at = end;
  }
  if (!decoder.hasError()) return std::nullopt;

  out.resize(old_size);
  const std::size_t invalid =
      start + static_cast<std::size_t>(utf8::find_invalid(text.begin(), text.end()) - text.begin());
  if (invalid == bytes.size()) {
    // The two decoders disagree; utfcpp's word is taken, and it decodes the text itself.
    out.resize(old_size + text.size());
    char16_t* last = utf8::unchecked::utf8to16(text.begin(), text.end(), out.data() + old_size);
    out.resize(static_cast<std::size_t>(last - out.data()));
    return std::nullopt;
  }
  return Utf8Error{invalid, PositionOfByte(bytes, invalid),
                   static_cast<unsigned char>(bytes[invalid])};
}

EncodeResult EncodeUnitsAsUtf8(std::u16string_view units) {
  EncodeResult result;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    const bool high = IsHighSurrogate(unit);
    if (IsLowSurrogate(unit) ||
        (high && (i + 1 == units.size() || !IsLowSurrogate(units[i + 1])))) {
      result.unwritable_unit = i;
      return result;
    }
    if (high) ++i;
  }
  // Every unit takes at most three bytes; a pair takes four for its two units. As above, the
  // room is reserved and the units are encoded piece by piece.
  result.bytes.reserve(units.size() * 3);
  QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  std::vector<char> buffer(std::min(kPieceSize, units.size()) * 3);
  for (std::size_t at = 0; at < units.size();) {
    std::size_t end = std::min(units.size(), at + kPieceSize);
    if (end < units.size() && IsHighSurrogate(units[end - 1])) --end;  // keeps a pair whole
    const char* encoded_end = encoder.appendToBuffer(
        buffer.data(), QStringView(units.data() + at, static_cast<qsizetype>(end - at)));
    result.bytes.append(buffer.data(), static_cast<std::size_t>(encoded_end - buffer.data()));
    at = end;
  }
  return result;
}

EncodeResult EncodeUnitsAsLatin1(std::u16string_view units) {
  EncodeResult result;
  const auto wide =
      std::find_if(units.begin(), units.end(), [](char16_t unit) { return unit > 0xFF; });
  if (wide != units.end()) {
    result.unwritable_unit = static_cast<std::size_t>(wide - units.begin());
    return result;
  }
  result.bytes.resize(units.size());
  std::transform(units.begin(), units.end(), result.bytes.begin(),
                 [](char16_t unit) { return static_cast<char>(unit); });
  return result;
}

}  // namespace lipimattam
