// Fuzzes the filter's reading of UTF-8 and of single bytes, and its output encodings.
#include <utf8cpp/utf8.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>

#include "cli/text_codec.h"
#include "cli/text_stream.h"

namespace {

void Expect(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Any bytes read as cp1252 are written back as the same bytes.
  std::u16string cp1252;
  lipimattam::DecodeSingleBytes(bytes, lipimattam::CodePage::kCp1252,
                                [&cp1252](std::u16string_view piece) { cp1252.append(piece); });
  const lipimattam::EncodeResult cp1252_back = lipimattam::EncodeUnitsAsCp1252(cp1252);
  Expect(!cp1252_back.unwritable_unit && cp1252_back.bytes == bytes);

  const std::string_view bom = "\xEF\xBB\xBF";
  const bool has_bom = bytes.substr(0, 3) == bom;
  const std::string_view text = has_bom ? bytes.substr(3) : bytes;

  std::u16string decoded = u"kept";
  const auto error = lipimattam::AppendUtf8AsUtf16(bytes, decoded);
  const auto invalid =
      static_cast<std::size_t>(utf8::find_invalid(text.begin(), text.end()) - text.begin());
  if (error) {
    // A stream stops at the same byte.
    lipimattam::TextStream stream({}, [](std::string_view) { return true; });
    stream.BeginInput();
    std::optional<lipimattam::TextStreamError> stopped;
    for (std::size_t at = 0; at < bytes.size() && !stopped; at += 5)
      stopped = stream.Add(bytes.substr(at, 5));
    if (!stopped) stopped = stream.EndInput();
    Expect(stopped && stopped->byte_offset == error->byte_offset &&
           stopped->place.position.line == error->position.line &&
           stopped->place.position.column == error->position.column);
    // Reported at the first bad byte, and nothing half-converted is kept.
    Expect(invalid != text.size());
    Expect(error->byte_offset == invalid + (has_bom ? 3 : 0));
    Expect(error->byte == static_cast<unsigned char>(bytes[error->byte_offset]));
    Expect(error->position.line >= 1 && error->position.column >= 1);
    Expect(decoded == u"kept");
    return 0;
  }
  Expect(invalid == text.size());
  Expect(decoded.substr(0, 4) == u"kept");
  const std::u16string_view units = std::u16string_view(decoded).substr(4);

  // UTF-8 out gives back the bytes that came in.
  const lipimattam::EncodeResult utf8 = lipimattam::EncodeUnitsAsUtf8(units);
  Expect(!utf8.unwritable_unit && utf8.bytes == text);

  // latin1 refuses exactly at the first unit above 0xFF.
  const lipimattam::EncodeResult latin1 = lipimattam::EncodeUnitsAsLatin1(units);
  std::size_t wide = std::u16string_view::npos;
  for (std::size_t i = 0; i < units.size() && wide == std::u16string_view::npos; ++i)
    if (units[i] > 0xFF) wide = i;
  if (wide == std::u16string_view::npos) {
    Expect(!latin1.unwritable_unit && latin1.bytes.size() == units.size());
  } else {
    Expect(latin1.unwritable_unit == wide);
  }

  // What the conversion makes of valid text can always be written as UTF-8.
  const std::u16string converted = lipimattam::ConvertText(units);
  const lipimattam::EncodeResult converted_utf8 = lipimattam::EncodeUnitsAsUtf8(converted);
  Expect(!converted_utf8.unwritable_unit);

  // Streamed in pieces of every size the first bytes choose, in both directions, the text gives
  // the whole text's conversion.
  for (const bool to_unicode : {false, true}) {
    lipimattam::TextStreamSettings settings;
    settings.to_unicode = to_unicode;
    settings.piece_units = 1 + (size > 0 ? data[0] % 16 : 0);
    const std::size_t byte_piece = 1 + (size > 1 ? data[1] % 8 : 0);
    std::string streamed;
    lipimattam::TextStream stream(settings, [&streamed](std::string_view piece) {
      streamed += piece;
      return true;
    });
    stream.BeginInput();
    for (std::size_t at = 0; at < bytes.size(); at += byte_piece)
      Expect(!stream.Add(bytes.substr(at, byte_piece)));
    Expect(!stream.EndInput() && !stream.Finish());
    const std::string whole =
        to_unicode ? lipimattam::EncodeUnitsAsUtf8(lipimattam::ConvertToUnicode(units).text).bytes
                   : converted_utf8.bytes;
    Expect(streamed == whole);
  }
  return 0;
}
