// Text converted as it is read gives the whole text's conversion, and its errors the whole
// text's places, however the bytes arrive and however small the pieces converted at once.
#include "cli/text_stream.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include <lipimattam/code_pages.h>
#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>
#include <lipimattam/utf16.h>

#include "cli/text_codec.h"
#include "tests/test_text.h"

namespace lipimattam {
namespace {

// Random text that UTF-8 can hold (no lone surrogate half) and that does not begin with a byte
// order mark, which an input leaves out.
std::u16string RandomWritableText(std::mt19937& random, std::size_t length, bool glyphs) {
  std::u16string text = testing::RandomText(random, length);
  if (glyphs) {  // codes of every value among converted text, as old files hold them
    text = ConvertText(text);
    std::uniform_int_distribution<int> code(0, 0xFF);
    for (std::size_t i = 0; i < text.size(); i += 3) text[i] = static_cast<char16_t>(code(random));
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool pair =
        i + 1 < text.size() && IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1]);
    if (pair) {
      ++i;
    } else if (IsSurrogate(text[i])) {
      text[i] = u'x';
    }
  }
  if (!text.empty() && text.front() == 0xFEFF) text.front() = u'x';
  return text;
}

struct Streamed {
  std::string out;
  std::optional<TextStreamError> error;
  UnknownCodes unknown;
};

// Streams `inputs`, each given in byte pieces that end at `cuts` (offsets into that input).
Streamed Stream(const TextStreamSettings& settings, const std::vector<std::string>& inputs,
                const std::vector<std::size_t>& cuts = {}) {
  Streamed result;
  TextStream stream(settings, [&result](std::string_view bytes) {
    result.out += bytes;
    return true;
  });
  const auto run = [&]() -> std::optional<TextStreamError> {
    for (const std::string& input : inputs) {
      stream.BeginInput();
      std::size_t start = 0;
      for (const std::size_t cut : cuts) {
        if (cut <= start || cut >= input.size()) continue;
        if (auto error = stream.Add(std::string_view(input).substr(start, cut - start)))
          return error;
        start = cut;
      }
      if (auto error = stream.Add(std::string_view(input).substr(start))) return error;
      if (auto error = stream.EndInput()) return error;
    }
    return stream.Finish();
  };
  result.error = run();
  result.unknown = stream.Unknown();
  return result;
}

std::string Utf8(std::u16string_view units) {
  return EncodeUnitsAsUtf8(units).bytes;
}

// Every position where the bytes may be cut, and every piece size from one unit up.
TEST(TextStream, AnyPiecesGiveTheWholeConversion) {
  std::mt19937 random(2112);
  for (std::size_t round = 0; round < (testing::kSanitized ? 600u : 3000u); ++round) {
    TextStreamSettings settings;
    settings.to_unicode = round % 2 == 1;
    const std::u16string text = RandomWritableText(random, 1 + round % 40, settings.to_unicode);
    const std::string bytes = Utf8(text);
    const std::string whole =
        Utf8(settings.to_unicode ? ConvertToUnicode(text).text : ConvertText(text));
    for (std::size_t at = 0; at <= bytes.size(); ++at) {
      settings.piece_units = 1 + at % (text.size() + 1);
      const Streamed streamed = Stream(settings, {bytes}, {at});
      ASSERT_FALSE(streamed.error) << testing::Hex(text);
      ASSERT_EQ(streamed.out, whole) << testing::Hex(text) << " cut at byte " << at << ", "
                                     << settings.piece_units << " units a piece";
    }
    std::vector<std::size_t> every_byte(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) every_byte[i] = i;
    settings.piece_units = 1;
    ASSERT_EQ(Stream(settings, {bytes}, every_byte).out, whole) << testing::Hex(text);
  }
}

// A fault's place is the one the whole input gives, in whichever piece it comes and whichever
// input holds it.
TEST(TextStream, FaultsAreFoundWhereTheWholeTextHasThem) {
  std::mt19937 random(1221);
  for (std::size_t round = 0; round < (testing::kSanitized ? 300u : 1500u); ++round) {
    TextStreamSettings settings;
    settings.piece_units = 1 + round % 7;
    std::vector<std::string> inputs = {Utf8(RandomWritableText(random, round % 20, false)),
                                       Utf8(RandomWritableText(random, 1 + round % 30, false))};
    std::string& faulty = inputs[round % 2];
    std::size_t at = random() % (faulty.size() + 1);
    while (round % 3 == 2 && at < faulty.size() && (faulty[at] & 0xC0) == 0x80) --at;
    if (round % 3 == 0) {  // a byte that is no UTF-8
      faulty.insert(at, 1, '\xFF');
    } else if (round % 3 == 1) {  // a character cut short where its input ends
      faulty += "\xE0\xB4";
    } else {  // a character that cp1252 has no byte for
      faulty.insert(at, "\xE4\xB8\xAD");
      settings.output_encoding = Encoding::kCp1252;
    }
    // Where the whole inputs have their first fault.
    std::size_t input = 0;
    std::optional<Utf8Error> expected;
    for (; input < inputs.size() && !expected; ++input) {
      std::u16string units;
      expected = AppendUtf8AsUtf16(inputs[input], units);
      for (std::size_t i = 0; i < units.size() && !expected && round % 3 == 2; ++i) {
        const char32_t code_point =
            IsHighSurrogate(units[i])
                ? 0x10000 + ((char32_t{units[i]} - 0xD800) << 10) + (units[i + 1] - 0xDC00)
                : units[i];
        if (!ConvertsIntoCodePage(code_point, CodePage::kCp1252))
          expected = Utf8Error{0, PositionOfUnit(units, i), static_cast<unsigned char>(code_point)};
        i += code_point > 0xFFFF ? 1 : 0;
      }
    }
    ASSERT_TRUE(expected);
    const Streamed streamed = Stream(settings, inputs, {random() % 9, 9 + random() % 9});
    ASSERT_TRUE(streamed.error) << round;
    EXPECT_EQ(streamed.error->place.input, input - 1) << round;
    EXPECT_EQ(streamed.error->place.position.line, expected->position.line) << round;
    EXPECT_EQ(streamed.error->place.position.column, expected->position.column) << round;
    if (round % 3 != 2) {
      EXPECT_EQ(streamed.error->kind, TextStreamError::Kind::kInvalidUtf8);
      EXPECT_EQ(streamed.error->byte_offset, expected->byte_offset) << round;
      EXPECT_EQ(streamed.error->byte, expected->byte) << round;
    } else {
      EXPECT_EQ(streamed.error->kind, TextStreamError::Kind::kNoByte);
      EXPECT_EQ(streamed.error->code_point & 0xFF, expected->byte) << round;
    }
  }
}

}  // namespace
}  // namespace lipimattam
