#include "cli/text_codec.h"

#include <utf8cpp/utf8.h>

#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>

#include <algorithm>

namespace lipimattam {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsUtf8ContinuationByte(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0u) == 0x80u;
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
                            [](char16_t unit) { return unit < 0xDC00 || unit > 0xDFFF; }));
  return position;
}

std::optional<Utf8Error> AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out) {
  std::size_t start = 0;
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) start = kByteOrderMark.size();
  const std::string_view text = bytes.substr(start);
  // A UTF-8 text never has more UTF-16 units than bytes. Qt's decoder is the fast one; only
  // when it meets invalid bytes does utfcpp find where the first of them is.
  const std::size_t old_size = out.size();
  out.resize(old_size + text.size());
  // The leading mark is already left out; a second one is text and stays.
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                     QStringConverter::Flag::ConvertInitialBom);
  auto* begin = reinterpret_cast<QChar*>(out.data() + old_size);
  const QChar* end = decoder.appendToBuffer(
      begin, QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  out.resize(old_size + static_cast<std::size_t>(end - begin));
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
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (low ||
        (high && (i + 1 == units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF))) {
      result.unwritable_unit = i;
      return result;
    }
    if (high) ++i;
  }
  // Every unit takes at most three bytes; a pair takes four for its two units.
  result.bytes.resize(units.size() * 3);
  QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  char* end = encoder.appendToBuffer(
      result.bytes.data(), QStringView(units.data(), static_cast<qsizetype>(units.size())));
  result.bytes.resize(static_cast<std::size_t>(end - result.bytes.data()));
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
