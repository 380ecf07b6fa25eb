// The code pages against the conversion: what the filter checks before it converts must be
// what converting gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include <lipimattam/code_pages.h>
#include <lipimattam/convert.h>

namespace lipimattam {
namespace {

// For every character of the BMP: it converts into a code page exactly when every unit that
// converting it alone gives has a byte there.
TEST(CodePages, ACharacterConvertsIntoACodePageWhenItsConversionHasBytes) {
  for (const CodePage page : {CodePage::kLatin1, CodePage::kCp1252}) {
    for (char32_t code_point = 0; code_point <= 0xFFFF; ++code_point) {
      if (code_point >= 0xD800 && code_point <= 0xDFFF) continue;
      const std::u16string converted = ConvertText(std::u16string(1, char16_t(code_point)));
      const bool has_bytes = std::all_of(converted.begin(), converted.end(), [page](char16_t unit) {
        return ByteOfUnit(unit, page) >= 0;
      });
      ASSERT_EQ(ConvertsIntoCodePage(code_point, page), has_bytes)
          << "U+" << std::hex << static_cast<unsigned>(code_point) << " in code page "
          << static_cast<int>(page);
    }
    EXPECT_FALSE(ConvertsIntoCodePage(U'\U0001F600', page));  // beyond one unit
  }
}

// Each byte read through a code page is written back as itself.
TEST(CodePages, EveryByteComesBackAsItself) {
  for (const CodePage page : {CodePage::kLatin1, CodePage::kCp1252, CodePage::kMacRoman})
    for (int byte = 0; byte <= 0xFF; ++byte)
      ASSERT_EQ(ByteOfUnit(UnitsOfBytes(page)[static_cast<std::size_t>(byte)], page), byte) << byte;
}

// The Mac versions of the ML-TT fonts hold the codes as Mac Roman characters, in its older
// form; other forms' characters read as the same codes.
TEST(CodePages, MacRomanCharactersAreTheCodesOfTheMacFonts) {
  const std::pair<char16_t, int> cases[] = {
      {u'I', 0x49},      {u'\u2202', 0xB6},  // ∂: NNA
      {u'\u221A', 0xC3}, {u'\u2260', 0xAD},  // √: LLA, ≠: NDA
      {u'\u00A4', 0xDB}, {u'\u20AC', 0xDB},  // ¤ in the older form, € in the newer
      {u'\u03A9', 0xBD}, {u'\u2126', 0xBD},  // omega, and the ohm sign
      {u'\u00C4', 0x80}, {u'\u0D15', -1},    // Ä; Malayalam has no byte
  };
  for (const auto& [unit, byte] : cases)
    EXPECT_EQ(ByteOfUnit(unit, CodePage::kMacRoman), byte) << static_cast<unsigned>(unit);
  EXPECT_EQ(UnitsOfBytes(CodePage::kMacRoman)[0xDB], u'\u00A4');
}

}  // namespace
}  // namespace lipimattam
