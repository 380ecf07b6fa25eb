// The single-byte code pages that text in the ML-TT encoding is kept in, one byte per glyph
// code. Latin-1 gives each byte the character of its value. Windows-1252, as legacy files
// saved on Windows hold their typographic punctuation, gives 27 of the bytes 0x80..0x9F other
// characters (the curly quotes, the dashes, the ellipsis, the euro sign ...) and leaves five
// undefined, which stay glyph codes.
#pragma once

#include <array>

namespace lipimattam {

enum class CodePage { kLatin1, kCp1252 };

// The unit each byte stands for: UnitsOfBytes(page)[byte].
[[nodiscard]] const std::array<char16_t, 256>& UnitsOfBytes(CodePage page);

// The byte of a unit, or -1 when the code page has none. Units up to 0xFF are their own byte,
// so glyph codes pass whole; in Windows-1252 so are the 27 characters it gives bytes to.
[[nodiscard]] int ByteOfUnit(char16_t unit, CodePage page);

// Whether what `code_point` converts to can be written in the code page: its glyph codes, or,
// for a character the font has no glyph for, the character itself, copied unchanged.
[[nodiscard]] bool ConvertsIntoCodePage(char32_t code_point, CodePage page);

}  // namespace lipimattam
