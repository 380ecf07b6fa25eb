// Converting text as it is read: bytes go in piece by piece, and the converted text comes out
// as soon as no later input can change it. The text is cut only where the engine says it may
// be (every line break is such a place), so the output is the whole text's conversion, byte for
// byte, whatever the sizes of the pieces; the memory held is a piece and the text after the
// last place where it may be cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <lipimattam/to_unicode.h>

#include "cli/text_codec.h"

namespace lipimattam {

struct TextStreamSettings {
  bool to_unicode = false;  // glyph codes back to Unicode, or Unicode into glyph codes
  Encoding input_encoding = Encoding::kUtf8;
  Encoding output_encoding = Encoding::kUtf8;  // of glyph codes: Unicode text is UTF-8
  ToUnicodeOptions forms;
  // Units converted at once, at least: the text up to the last cut point is handed on once this
  // many are waiting. Small values are for tests.
  std::size_t piece_units = std::size_t{1} << 13;
};

// Where a unit of the text came from: which input (counted from 0), and the line and column
// there.
struct TextPlace {
  std::size_t input = 0;
  TextPosition position;
};

struct TextStreamError {
  enum class Kind {
    kInvalidUtf8,  // byte_offset, byte: the first byte that is not UTF-8
    kNoByte,       // code_point: a character whose conversion the single-byte output lacks
    kUnencodable,  // code_point: an output unit the output cannot hold (a fault of the rules)
    kSinkStopped,  // the sink refused a piece
  } kind = Kind::kInvalidUtf8;
  TextPlace place;
  std::uint64_t byte_offset = 0;  // from 0, in the input
  unsigned char byte = 0;
  char32_t code_point = 0;
};

// Glyph codes with no meaning in the encoding, met when reading back to Unicode: how many, and
// the first one's place and value.
struct UnknownCodes {
  std::uint64_t count = 0;
  TextPlace first;
  char16_t first_code = 0;
};

class TextStream {
 public:
  // `put` receives the output bytes in order; when it returns false the stream stops.
  TextStream(const TextStreamSettings& settings, BytesSink put);
  TextStream(const TextStream&) = delete;
  TextStream& operator=(const TextStream&) = delete;
  ~TextStream();

  // The next input begins; its text is joined to the text before it. Its lines count from 1.
  void BeginInput();
  // The next bytes of the current input. After an error the stream takes nothing more.
  [[nodiscard]] std::optional<TextStreamError> Add(std::string_view bytes);
  // The current input has ended: a character it left unfinished is an error.
  [[nodiscard]] std::optional<TextStreamError> EndInput();
  // The whole text has been added: converts and hands on the rest.
  [[nodiscard]] std::optional<TextStreamError> Finish();

  [[nodiscard]] const UnknownCodes& Unknown() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace lipimattam
