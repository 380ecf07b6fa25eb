// The code pages against the conversion: what the filter checks before it converts must be
// what converting gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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
  for (const CodePage page : {CodePage::kLatin1, CodePage::kCp1252})
    for (int byte = 0; byte <= 0xFF; ++byte)
      ASSERT_EQ(ByteOfUnit(UnitsOfBytes(page)[static_cast<std::size_t>(byte)], page), byte) << byte;
}

}  // namespace
}  // namespace lipimattam
