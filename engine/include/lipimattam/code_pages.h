// The single-byte code pages that text in the ML-TT encoding is kept in, one byte per glyph
// code. Latin-1 gives each byte the character of its value. Windows-1252, as legacy files
// saved on Windows hold their typographic punctuation, gives 27 of the bytes 0x80..0x9F other
// characters (the curly quotes, the dashes, the ellipsis, the euro sign ...) and leaves five
// undefined, which stay glyph codes. Mac Roman, in its older form, is how the Mac versions of
// the ML-TT fonts (ML-Revathi, ML-Karthika ...) hold the same codes: text set in them holds ∂
// for the code 0xB6, √ for 0xC3.
#pragma once

#include <array>

namespace lipimattam {

enum class CodePage { kLatin1, kCp1252, kMacRoman };

// The unit each byte stands for: UnitsOfBytes(page)[byte].
[[nodiscard]] const std::array<char16_t, 256>& UnitsOfBytes(CodePage page);

// The byte of a unit, or -1 when the code page has none. In Latin-1 and Windows-1252 units up
// to 0xFF are their own byte, so glyph codes pass whole, and in Windows-1252 so are the 27
// characters it gives bytes to. In Mac Roman, units up to 0x7F are, and its 128 characters of
// 0x80..0xFF (the euro sign and the ohm sign too, as other forms give them).
[[nodiscard]] int ByteOfUnit(char16_t unit, CodePage page);

// Whether what `code_point` converts to can be written in Latin-1 or Windows-1252, one byte a
// code: its glyph codes, or, for a character the font has no glyph for, the character itself,
// copied unchanged. Mac Roman text is only read, never written: there it is as for Latin-1.
[[nodiscard]] bool ConvertsIntoCodePage(char32_t code_point, CodePage page);

}  // namespace lipimattam
