#include "font/shaping.h"

#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>

namespace lipimattam {

Shaper::Shaper(const std::string& font_path) {
  hb_blob_t* blob = hb_blob_create_from_file(font_path.c_str());
  hb_face_t* face = hb_face_create(blob, 0);
  font_.reset(hb_font_create(face));
  hb_face_destroy(face);
  hb_blob_destroy(blob);
}

bool Shaper::Loaded() const {
  return hb_face_get_glyph_count(hb_font_get_face(font_.get())) > 0;
}

bool Shaper::HasGlyph(char32_t code_point) const {
  hb_codepoint_t glyph = 0;
  return hb_font_get_nominal_glyph(font_.get(), code_point, &glyph) != 0;
}

std::set<std::string> Shaper::GlyphNames() const {
  std::set<std::string> names;
  const unsigned count = hb_face_get_glyph_count(hb_font_get_face(font_.get()));
  for (hb_codepoint_t glyph = 0; glyph < count; ++glyph) {
    char name[128];
    hb_font_get_glyph_name(font_.get(), glyph, name, sizeof name);
    names.insert(name);
  }
  return names;
}

std::vector<ShapedGlyph> Shaper::Shape(std::u16string_view text) const {
  hb_buffer_t* buffer = hb_buffer_create();
  hb_buffer_add_utf16(buffer, reinterpret_cast<const std::uint16_t*>(text.data()),
                      static_cast<int>(text.size()), 0, static_cast<int>(text.size()));
  hb_buffer_guess_segment_properties(buffer);
  // Fixed, so that the shaping does not depend on the locale it runs in.
  hb_buffer_set_language(buffer, hb_language_from_string("ml", -1));
  hb_shape(font_.get(), buffer, nullptr, 0);
  unsigned count = 0;
  const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
  const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
  std::vector<ShapedGlyph> glyphs;
  for (unsigned i = 0; i < count; ++i) {
    char name[128];
    hb_font_get_glyph_name(font_.get(), infos[i].codepoint, name, sizeof name);
    glyphs.push_back({name, positions[i].x_advance, positions[i].x_offset, positions[i].y_offset});
  }
  hb_buffer_destroy(buffer);
  return glyphs;
}

std::vector<std::u16string> FontTestWords() {
  constexpr char16_t kVirama = 0x0D4D;
  constexpr char16_t kZwj = 0x200D;
  constexpr auto npos = std::u16string::npos;
  std::u16string consonants;
  for (char16_t letter = 0x0D15; letter <= 0x0D39; ++letter)
    if (letter != 0x0D29) consonants += letter;
  const std::u16string signs[] = {u"",       u"\u0D3E", u"\u0D3F", u"\u0D40", u"\u0D41", u"\u0D42",
                                  u"\u0D43", u"\u0D46", u"\u0D47", u"\u0D48", u"\u0D4A", u"\u0D4B",
                                  u"\u0D4C", u"\u0D57", u"\u0D02", u"\u0D03", u"\u0D4D"};
  const std::u16string joined_signs[] = {
      u"", {kVirama, 0x0D30}, {kVirama, 0x0D2F}, {kVirama, 0x0D35}};
  std::vector<std::u16string> words;
  for (const char16_t first : consonants) {
    for (const std::u16string& joined : joined_signs)
      for (const std::u16string& sign : signs) words.push_back(first + joined + sign);
    for (const char16_t second : consonants) words.push_back({first, kVirama, second});
  }
  // A conjunct the encoding has a code for takes the signs as a consonant does.
  for (char16_t code = 0x80; code <= 0xFF; ++code) {
    const std::u16string conjunct = ConvertToUnicode(std::u16string(1, code)).text;
    const bool is_conjunct = conjunct.size() >= 3 && consonants.find(conjunct.front()) != npos &&
                             consonants.find(conjunct.back()) != npos;
    if (!is_conjunct) continue;
    for (const std::u16string& joined : joined_signs)
      for (const std::u16string& sign : signs) words.push_back(conjunct + joined + sign);
  }
  for (const char16_t chillu : std::u16string_view(u"\u0D7A\u0D7B\u0D7C\u0D7D\u0D7E\u0D7F")) {
    words.push_back({0x0D05, 0x0D35, chillu});
    words.push_back({chillu, 0x0D31, 0x0D41});
  }
  for (const char16_t base : std::u16string_view(u"\u0D23\u0D28\u0D30\u0D32\u0D33"))
    words.push_back({0x0D15, base, kVirama, kZwj});
  // The letter vocalic L has the chillu L's code, and Malayalam digits the ASCII digits':
  // the font draws those codes as the chillu and the ASCII digits.
  for (char16_t vowel = 0x0D05; vowel <= 0x0D14; ++vowel)
    if (vowel != 0x0D0C && vowel != 0x0D0D && vowel != 0x0D11) words.push_back({vowel, 0x0D15});
  words.emplace_back(u"2026, (\u0D15.)");
  return words;
}

}  // namespace lipimattam
