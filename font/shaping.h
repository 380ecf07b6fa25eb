// Shaping text with HarfBuzz, for building the display font and for testing it.
#pragma once

#include <hb.h>

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace lipimattam {

struct ShapedGlyph {
  std::string name;
  int x_advance = 0;
  int x_offset = 0;
  int y_offset = 0;

  friend bool operator==(const ShapedGlyph&, const ShapedGlyph&) = default;
};

// A font file, shaped with HarfBuzz's defaults for the text's script, as Malayalam text.
class Shaper {
 public:
  explicit Shaper(const std::string& font_path);

  // Whether the font opened and has glyphs.
  [[nodiscard]] bool Loaded() const;
  [[nodiscard]] std::vector<ShapedGlyph> Shape(std::u16string_view text) const;
  [[nodiscard]] bool HasGlyph(char32_t code_point) const;
  [[nodiscard]] std::set<std::string> GlyphNames() const;

 private:
  struct FontDeleter {
    void operator()(hb_font_t* font) const { hb_font_destroy(font); }
  };
  std::unique_ptr<hb_font_t, FontDeleter> font_;
};

// Words that exercise the display font: every pair of consonants with the virama; every
// consonant, and every conjunct the encoding has a code for, with every vowel sign, alone and
// with the RA, YA and VA signs; the chillus, the independent vowels, digits and punctuation.
[[nodiscard]] std::vector<std::u16string> FontTestWords();

}  // namespace lipimattam
