// The engine as the WebAssembly module exports it: plain functions over UTF-16 buffers in the
// module's memory, for web/lipimattam.js. One conversion at a time; each result stays until the
// next call.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <lipimattam/code_pages.h>
#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>

namespace {

std::optional<lipimattam::TextConverter> g_converter;
std::u16string g_output;
std::size_t g_unknown_codes = 0;
std::size_t g_first_unknown = 0;

}  // namespace

extern "C" {

// Starts converting a text of about `expected_units` units into the font's codes, given in
// pieces.
void lipimattam_begin(std::size_t expected_units) {
  g_converter.emplace(expected_units);
}

void lipimattam_add(const char16_t* piece, std::size_t units) {
  g_converter->Add(std::u16string_view(piece, units));
}

// Ends the conversion; its output is then at lipimattam_output().
void lipimattam_finish() {
  g_output = std::move(*g_converter).Finish();
  g_converter.reset();
}

// Reads codes of the encoding back as Unicode Malayalam; the output is then at
// lipimattam_output(), and lipimattam_unknown_codes() tells how many codes had no meaning.
void lipimattam_to_unicode(const char16_t* codes, std::size_t units, int chillu_sequence,
                           int malayalam_digits) {
  lipimattam::ToUnicodeOptions options;
  if (chillu_sequence != 0) options.chillu = lipimattam::ToUnicodeOptions::Chillu::kSequence;
  if (malayalam_digits != 0) options.digits = lipimattam::ToUnicodeOptions::Digits::kMalayalam;
  lipimattam::ToUnicodeResult result =
      lipimattam::ConvertToUnicode(std::u16string_view(codes, units), options);
  g_output = std::move(result.text);
  g_unknown_codes = result.unknown_codes;
  g_first_unknown = result.first_unknown;
}

const char16_t* lipimattam_output() {
  return g_output.data();
}

std::size_t lipimattam_output_length() {
  return g_output.size();
}

std::size_t lipimattam_unknown_codes() {
  return g_unknown_codes;
}

std::size_t lipimattam_first_unknown() {
  return g_first_unknown;
}

// Writes `units` as the bytes of a code page (0 Latin-1, 1 Windows-1252) at `bytes`, from the
// table the filter writes with. Returns the index of the first unit the code page has no byte
// for (nothing is written then), or -1.
long lipimattam_encode_bytes(const char16_t* units, std::size_t count, int code_page,
                             unsigned char* bytes) {
  const auto page = code_page == 1 ? lipimattam::CodePage::kCp1252 : lipimattam::CodePage::kLatin1;
  for (std::size_t i = 0; i < count; ++i)
    if (lipimattam::ByteOfUnit(units[i], page) < 0) return static_cast<long>(i);
  for (std::size_t i = 0; i < count; ++i)
    bytes[i] = static_cast<unsigned char>(lipimattam::ByteOfUnit(units[i], page));
  return -1;
}

// The 256 units that the bytes of a code page (0 Latin-1, 1 Windows-1252) stand for, as the
// filter reads them.
const char16_t* lipimattam_units_of_bytes(int code_page) {
  return lipimattam::UnitsOfBytes(code_page == 1 ? lipimattam::CodePage::kCp1252
                                                 : lipimattam::CodePage::kLatin1)
      .data();
}

}  // extern "C"
