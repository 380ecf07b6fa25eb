// Writes, as JSON, what the display font must draw, all taken from the engine and from
// HarfBuzz's shaping in the source font:
//   lipimattam-font-data SOURCE_FONT OUT_JSON
// - every code with a meaning in the encoding (what the reverse direction reads it as), and
//   the source font's glyphs for it: a letter, ligature or punctuation as its meaning shapes;
//   a sign as the piece it is when it follows or precedes most consonants;
// - the virama's code and the codes that mean a joiner right after it;
// - every test word's codes and the glyphs the source font gives the word.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>

#include "font/shaping.h"

namespace lipimattam {
namespace {

constexpr char32_t kDottedCircle = 0x25CC;

std::string Json(std::u16string_view text) {
  std::string out = "\"";
  for (const char16_t unit : text) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit));
    out += escaped;
  }
  return out + "\"";
}

std::string Json(const std::vector<ShapedGlyph>& glyphs) {
  std::string out = "[";
  for (const ShapedGlyph& glyph : glyphs) {
    if (out.size() > 1) out += ", ";
    out += "{\"name\": \"" + glyph.name + "\", \"advance\": " + std::to_string(glyph.x_advance) +
           ", \"x\": " + std::to_string(glyph.x_offset) +
           ", \"y\": " + std::to_string(glyph.y_offset) + "}";
  }
  return out + "]";
}

// What a code means on its own; empty for a code with no meaning.
std::u16string Meaning(std::u16string_view codes) {
  const ToUnicodeResult result = ConvertToUnicode(codes);
  return result.unknown_codes == 0 ? result.text : std::u16string();
}

bool IsConsonant(std::u16string_view meaning) {
  return meaning.size() == 1 && meaning[0] >= 0x0D15 && meaning[0] <= 0x0D39;
}

int Run(const char* source_path, std::FILE* out) {
  const Shaper source(source_path);
  if (!source.Loaded()) {
    std::fprintf(stderr, "lipimattam-font-data: cannot read the font %s\n", source_path);
    return 1;
  }
  std::string dotted_circle;
  {
    const auto glyphs = source.Shape(std::u16string(1, static_cast<char16_t>(kDottedCircle)));
    dotted_circle = glyphs.empty() ? "" : glyphs.front().name;
  }
  std::map<char16_t, std::u16string> meanings;
  std::vector<std::u16string> consonants;  // meanings of the consonant codes
  for (char16_t code = 0x21; code <= 0xFF; ++code) {
    const std::u16string meaning = Meaning(std::u16string(1, code));
    if (meaning.empty()) continue;
    meanings[code] = meaning;
    if (IsConsonant(meaning)) consonants.push_back(meaning);
  }

  std::fprintf(out, "{\n\"codes\": [\n");
  bool first = true;
  char16_t virama = 0;
  for (const auto& [code, meaning] : meanings) {
    std::vector<ShapedGlyph> glyphs = source.Shape(meaning);
    const bool sign = !dotted_circle.empty() &&
                      std::any_of(glyphs.begin(), glyphs.end(),
                                  [&](const ShapedGlyph& g) { return g.name == dotted_circle; });
    if (sign) {
      // The piece the sign is beside the most consonants whose glyph it leaves alone.
      std::map<std::string, int> votes;
      for (const std::u16string& consonant : consonants) {
        const std::string base = source.Shape(consonant).front().name;
        std::vector<ShapedGlyph> with_sign = source.Shape(consonant + meaning);
        const auto at = std::find_if(with_sign.begin(), with_sign.end(),
                                     [&](const ShapedGlyph& g) { return g.name == base; });
        if (at == with_sign.end() || with_sign.size() != 2) continue;
        with_sign.erase(at);
        ++votes[with_sign.front().name];
      }
      std::string piece;
      for (const auto& [name, count] : votes)
        if (piece.empty() || count > votes[piece]) piece = name;
      std::erase_if(glyphs, [&](const ShapedGlyph& g) {
        return g.name == dotted_circle || (!piece.empty() && g.name != piece);
      });
      if (meaning == u"\u0D4D") virama = code;
    }
    std::fprintf(out, "%s{\"code\": %d, \"meaning\": %s, \"sign\": %s, \"glyphs\": %s}",
                 first ? "" : ",\n", code, Json(meaning).c_str(), sign ? "true" : "false",
                 Json(glyphs).c_str());
    first = false;
  }
  std::fprintf(out, "\n],\n\"virama\": %d,\n\"joiners_after_virama\": [", virama);
  // A code is a joiner after the virama where a ligature, the virama and it read as the
  // ligature's letters, the virama and a joiner.
  first = true;
  for (const auto& [code, meaning] : meanings) {
    const std::u16string read = Meaning(std::u16string{0xA1, virama, code});
    if (read.empty() || (read.back() != 0x200D && read.back() != 0x200C)) continue;
    std::fprintf(out, "%s%d", first ? "" : ", ", code);
    first = false;
  }
  std::fprintf(out, "],\n\"words\": [\n");
  first = true;
  for (const std::u16string& word : FontTestWords()) {
    const std::u16string codes = ConvertText(word);
    std::fprintf(out, "%s{\"word\": %s, \"codes\": %s, \"glyphs\": %s}", first ? "" : ",\n",
                 Json(word).c_str(), Json(codes).c_str(), Json(source.Shape(word)).c_str());
    first = false;
  }
  std::fprintf(out, "\n]\n}\n");
  return 0;
}

}  // namespace
}  // namespace lipimattam

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: lipimattam-font-data SOURCE_FONT OUT_JSON\n", stderr);
    return 64;
  }
  std::FILE* out = std::fopen(argv[2], "w");
  if (out == nullptr) {
    std::perror(argv[2]);
    return 73;
  }
  const int status = lipimattam::Run(argv[1], out);
  return std::fclose(out) == 0 ? status : 74;
}
