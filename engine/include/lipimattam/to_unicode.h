// Converting text in the ML-TT encoding (the glyph codes of "ML-TTRevathi" and the ML-TT fonts
// that share them) back into Unicode Malayalam.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace lipimattam {

struct ToUnicodeOptions {
  // Chillu codes as the atomic letters U+0D7A..U+0D7F, or as consonant, virama, ZWJ.
  enum class Chillu { kAtomic, kSequence } chillu = Chillu::kAtomic;
  // The digit codes "0".."9" as ASCII digits, or as Malayalam digits U+0D66..U+0D6F.
  enum class Digits { kAscii, kMalayalam } digits = Digits::kAscii;
};

struct ToUnicodeResult {
  std::u16string text;            // Unicode Malayalam in NFC, in logical order
  std::size_t unknown_codes = 0;  // glyph codes with no meaning in the encoding, copied as they are
  std::size_t first_unknown = 0;  // index in the input of the first of them
};

// One left-to-right pass over glyph codes (units below 0x100; units from 0x100 up are copied
// unchanged): each cluster of pre-base signs, RA sign, consonant or ligature, YA/VA signs and
// post-base signs becomes the consonants, viramas and vowel sign in Unicode's order.
[[nodiscard]] ToUnicodeResult ConvertToUnicode(std::u16string_view glyphs,
                                               const ToUnicodeOptions& options = {});

struct ToUnicodeUtf8Result {
  std::string_view text;  // UTF-8, valid until the converter's next call
  std::size_t unknown_codes = 0;
  std::size_t first_unknown = 0;
};

// The same reading written as UTF-8, for a caller that reads and writes bytes piece by piece:
// the bytes come from the reading's own tables, with no UTF-16 between, into memory that the
// converter keeps from one call to the next.
class ToUnicodeUtf8Converter {
 public:
  explicit ToUnicodeUtf8Converter(const ToUnicodeOptions& options = {});
  ToUnicodeUtf8Converter(const ToUnicodeUtf8Converter&) = delete;
  ToUnicodeUtf8Converter& operator=(const ToUnicodeUtf8Converter&) = delete;
  ToUnicodeUtf8Converter(ToUnicodeUtf8Converter&&) noexcept;
  ToUnicodeUtf8Converter& operator=(ToUnicodeUtf8Converter&&) noexcept;
  ~ToUnicodeUtf8Converter();

  // Reads `glyphs` as ConvertToUnicode does. A surrogate that is not half of a pair, which
  // UTF-8 cannot hold, is written as U+FFFD.
  [[nodiscard]] ToUnicodeUtf8Result Convert(std::u16string_view glyphs);

 private:
  ToUnicodeOptions options_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
};

}  // namespace lipimattam
