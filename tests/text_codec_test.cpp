#include "cli/text_codec.h"

#include <gtest/gtest.h>
#include <utf8cpp/utf8.h>

#include <iterator>
#include <random>
#include <string>

#include "tests/test_text.h"

namespace lipimattam {
namespace {

using testing::Hex;

TEST(AppendUtf8AsUtf16, DecodesAndLeavesOutTheLeadingByteOrderMark) {
  struct Case {
    std::string bytes;
    std::u16string expected;
  };
  const Case cases[] = {
      {"", u""},
      {"\xEF\xBB\xBF", u""},
      {"\xEF\xBB\xBF"
       "a",
       u"a"},
      {"a\xEF\xBB\xBF", u"a\uFEFF"},                // only a leading mark is left out
      {"\xEF\xBB\xBF\xEF\xBB\xBF\n", u"\uFEFF\n"},  // and only one
      {"\xE0\xB4\x95\r\n", u"\u0D15\r\n"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xC3\xA4", u"\u00E4"},
  };
  for (const Case& c : cases) {
    std::u16string out = u"x";
    EXPECT_FALSE(AppendUtf8AsUtf16(c.bytes, out).has_value());
    EXPECT_EQ(Hex(out), Hex(u"x" + c.expected));
  }
}

TEST(AppendUtf8AsUtf16, ReportsTheFirstBadByteWithItsLineAndColumn) {
  struct Case {
    std::string bytes;
    std::size_t offset;
    std::size_t line;
    std::size_t column;
    unsigned char byte;
  };
  const Case cases[] = {
      {"\xFF", 0, 1, 1, 0xFF},
      {"ab\xC3", 2, 1, 3, 0xC3},  // truncated sequence
      {"a\n\xE0\xB4\x95\xE0\xB4"
       "b",
       5, 2, 2, 0xE0},                           // column counts characters
      {"\xC0\xAF", 0, 1, 1, 0xC0},               // overlong slash
      {"x\xED\xA0\x80", 1, 1, 2, 0xED},          // an encoded surrogate half
      {"\xF4\x90\x80\x80", 0, 1, 1, 0xF4},       // beyond U+10FFFF
      {"\xEF\xBB\xBF\r\nq\x80", 6, 2, 2, 0x80},  // the offset counts the mark
      {"\xEF\xBB\xBF"
       "ab\xFF",
       5, 1, 3, 0xFF},                      // the column does not
      {"a\rb\r\rc\xFF", 6, 4, 2, 0xFF},     // a lone CR ends a line
      {"a\r\n\nb\r\n\xFF", 7, 4, 1, 0xFF},  // CR LF is one line end
  };
  for (const Case& c : cases) {
    std::u16string out = u"kept";
    const auto error = AppendUtf8AsUtf16(c.bytes, out);
    ASSERT_TRUE(error.has_value()) << c.offset;
    EXPECT_EQ(error->byte_offset, c.offset);
    EXPECT_EQ(error->position.line, c.line) << c.offset;
    EXPECT_EQ(error->position.column, c.column) << c.offset;
    EXPECT_EQ(error->byte, c.byte);
    EXPECT_EQ(out, u"kept") << "nothing is appended from invalid text";
  }
}

// Long texts go through the codecs in pieces: no character may be split or lost where one
// piece ends, wherever the characters of two, three and four bytes fall.
TEST(AppendUtf8AsUtf16, LongTextsKeepEveryCharacterAcrossPieces) {
  const std::string mix =
      "\xE0\xB4\x95\xF0\x9F\x98\x80\xC3\xA4"
      "a\xE0\xB5\x8D\r\n";
  for (std::size_t shift = 0; shift < mix.size(); ++shift) {  // every alignment of the mix
    std::string bytes(shift, 'x');
    while (bytes.size() < 300000) bytes += mix;
    std::u16string expected;
    utf8::utf8to16(bytes.begin(), bytes.end(), std::back_inserter(expected));
    std::u16string out;
    ASSERT_FALSE(AppendUtf8AsUtf16(bytes, out).has_value()) << shift;
    ASSERT_EQ(out, expected) << shift;
    const EncodeResult encoded = EncodeUnitsAsUtf8(out);
    ASSERT_FALSE(encoded.unwritable_unit.has_value()) << shift;
    EXPECT_EQ(encoded.bytes, bytes) << shift;
  }
}

// Text of ASCII and characters of two bytes (glyph codes, Latin text) is read in blocks: a
// block is read whole or not at all, so one bad or longer character anywhere, even on a block's
// edge, must give what a character-by-character reading gives.
TEST(AppendUtf8AsUtf16, TextOfOneAndTwoByteCharactersWithOneOddSequence) {
  const std::string odd[] = {
      "\x80",     "\xC3",     "\xC0\x80", "\xC1\xBF", "\xE0\xB4\x95", "\xF0\x9F\x98\x80",
      "\xC3\xC3", "\xDF\xBF", "\xC0",     "\xFF"};
  std::mt19937 random(11);
  for (int text = 0; text < 4000; ++text) {
    std::string bytes;
    const std::size_t characters = random() % 120;
    const std::size_t odd_at = random() % 120;  // often past the end: no odd sequence
    for (std::size_t i = 0; i < characters; ++i) {
      if (i == odd_at) bytes += odd[random() % std::size(odd)];
      const auto code =
          static_cast<char32_t>(random() % 3 == 0 ? 0x80 + random() % 0x780 : random() % 0x80);
      utf8::append(code, std::back_inserter(bytes));
    }
    std::u16string out;
    const auto error = AppendUtf8AsUtf16(bytes, out);
    const auto invalid =
        static_cast<std::size_t>(utf8::find_invalid(bytes.begin(), bytes.end()) - bytes.begin());
    if (invalid != bytes.size()) {
      ASSERT_TRUE(error.has_value()) << text;
      ASSERT_EQ(error->byte_offset, invalid) << text;
      continue;
    }
    ASSERT_FALSE(error.has_value()) << text;
    std::u16string expected;
    utf8::utf8to16(bytes.begin(), bytes.end(), std::back_inserter(expected));
    ASSERT_EQ(out, expected) << text;
  }
}

TEST(AppendUtf8AsUtf16, FindsABadByteFarIntoALongText) {
  const std::size_t kOffsets[] = {65535, 65536, 65537, 200001};
  for (const std::size_t offset : kOffsets) {
    std::string bytes(300000, 'a');
    bytes[offset] = '\xE0';  // a sequence cut short by the "a" after it
    std::u16string out = u"kept";
    const auto error = AppendUtf8AsUtf16(bytes, out);
    ASSERT_TRUE(error.has_value()) << offset;
    EXPECT_EQ(error->byte_offset, offset);
    EXPECT_EQ(error->position.column, offset + 1);
    EXPECT_EQ(out, u"kept");
  }
}

TEST(PositionOfUnit, CountsLinesAndCharacters) {
  const std::u16string text = u"ab\r\n\U0001F600c\nd";
  struct Case {
    std::size_t index;
    std::size_t line;
    std::size_t column;
  };
  const Case cases[] = {{0, 1, 1}, {2, 1, 3}, {4, 2, 1}, {6, 2, 2}, {8, 3, 1}};
  for (const Case& c : cases) {
    const TextPosition position = PositionOfUnit(text, c.index);
    EXPECT_EQ(position.line, c.line) << c.index;
    EXPECT_EQ(position.column, c.column) << c.index;
  }
  const TextPosition after_lone_crs = PositionOfUnit(u"a\rb\r\rcd", 6);
  EXPECT_EQ(after_lone_crs.line, 4u);
  EXPECT_EQ(after_lone_crs.column, 2u);
}

// The codec hands its text over piece by piece; a sink that stops ends the writing there.
TEST(EncodeUnits, PiecesStopWhenTheSinkSaysSo) {
  const std::u16string units(200000, u'a');
  std::size_t pieces = 0;
  std::size_t bytes = 0;
  const EncodeOutcome outcome = EncodeUtf8(units, [&](std::string_view piece) {
    bytes += piece.size();
    return ++pieces < 2;
  });
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(pieces, 2u);
  EXPECT_LT(bytes, units.size());
  std::size_t latin1_pieces = 0;
  EXPECT_FALSE(EncodeLatin1(units, [&](std::string_view) { return ++latin1_pieces > 0; }).stopped);
  EXPECT_GT(latin1_pieces, 1u);
}

TEST(EncodeUnits, Utf8WritesEachUnitAsTheCharacterOfItsValue) {
  const EncodeResult result = EncodeUnitsAsUtf8(u"sI\u00C2\u00CC\r\n\u4E2D\U0001F600");
  ASSERT_FALSE(result.unwritable_unit.has_value());
  EXPECT_EQ(result.bytes, "sI\xC3\x82\xC3\x8C\r\n\xE4\xB8\xAD\xF0\x9F\x98\x80");
}

TEST(EncodeUnits, Utf8RefusesALoneSurrogateHalf) {
  EXPECT_EQ(EncodeUnitsAsUtf8(u"ab\xD800").unwritable_unit, 2u);
  EXPECT_EQ(EncodeUnitsAsUtf8(std::u16string{u'a', 0xDC00, u'b'}).unwritable_unit, 1u);
  EXPECT_EQ(EncodeUnitsAsUtf8(std::u16string{0xD800, u'b'}).unwritable_unit, 0u);
}

TEST(EncodeUnits, Latin1WritesOneBytePerGlyphCode) {
  const EncodeResult result = EncodeUnitsAsLatin1(u"s{I\u00CC\r\n");
  ASSERT_FALSE(result.unwritable_unit.has_value());
  EXPECT_EQ(result.bytes, "s{I\xCC\r\n");
  EXPECT_EQ(EncodeUnitsAsLatin1(u"ab\u0100c").unwritable_unit, 2u);
}

// Every byte read as cp1252 is written back as the same byte, the five undefined ones as the
// glyph codes they stay; a character it has no byte for stops the writing.
TEST(Cp1252, EveryByteComesBackAsItself) {
  std::string bytes;
  for (int byte = 0; byte <= 0xFF; ++byte) bytes += static_cast<char>(byte);
  std::u16string read;
  DecodeSingleBytes(bytes, CodePage::kCp1252,
                    [&read](std::u16string_view piece) { read.append(piece); });
  ASSERT_EQ(read.size(), 256u);
  EXPECT_EQ(read[0x41], u'A');
  EXPECT_EQ(read[0x80], u'\u20AC');  // euro sign
  EXPECT_EQ(read[0x93], u'\u201C');  // left double quotation mark
  EXPECT_EQ(read[0x97], u'\u2014');  // em dash
  EXPECT_EQ(read[0x81], u'\u0081');  // undefined: a glyph code
  EXPECT_EQ(read[0xA0], u'\u00A0');
  std::size_t above_latin1 = 0;
  for (const char16_t unit : read) above_latin1 += unit > 0xFF ? 1 : 0;
  EXPECT_EQ(above_latin1, 27u);
  EXPECT_EQ(EncodeUnitsAsCp1252(read).bytes, bytes);
  EXPECT_EQ(EncodeUnitsAsCp1252(u"ab\u0100c").unwritable_unit, 2u);
  EXPECT_EQ(EncodeUnitsAsLatin1(read).unwritable_unit, 0x80u);

  std::u16string latin1;
  DecodeSingleBytes(bytes, CodePage::kLatin1,
                    [&latin1](std::u16string_view piece) { latin1.append(piece); });
  for (std::size_t byte = 0; byte < latin1.size(); ++byte) ASSERT_EQ(latin1[byte], byte);
}

}  // namespace
}  // namespace lipimattam
