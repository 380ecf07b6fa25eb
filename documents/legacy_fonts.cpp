// The legacy Malayalam fonts that documents are set in, and how each one's text is encoded,
// measured against our own reading of the ML-TT codes: 80 hold the codes as the characters
// U+0000..U+00FF, 71 (the family's Mac versions) as Mac Roman characters, 14 another encoding,
// and for 5 there is nothing to compare with. Names are matched without regard to case, spaces
// or hyphens. It is no rule of prefixes: ML-TTSurya-Normal is in another encoding.
#include "documents/legacy_fonts.h"

#include <algorithm>
#include <iterator>

namespace lipimattam {
namespace {

struct LegacyFontRow {
  std::string_view name;
  FontEncoding encoding;
};

// A row a font, in the order of their names with case, spaces and hyphens left out.
constexpr LegacyFontRow kLegacyFonts[] = {
    {"GIST-MLTTAshtamudi", FontEncoding::kMlTtMac},
    {"GIST-MLTTAswathi", FontEncoding::kMlTtMac},
    {"GIST-MLTTKarthika", FontEncoding::kUnknown},
    {"GIST-MLTTMalavika", FontEncoding::kMlTtMac},
    {"GIST-MLTTRevathi", FontEncoding::kUnknown},
    {"ML-Aathira", FontEncoding::kMlTtMac},
    {"ML-Ambili", FontEncoding::kMlTtMac},
    {"ML-Anakha", FontEncoding::kMlTtMac},
    {"ML-Anjali", FontEncoding::kMlTtMac},
    {"ML-Aparna", FontEncoding::kMlTtMac},
    {"ML-Ashtamudi", FontEncoding::kMlTtMac},
    {"ML-Aswathi", FontEncoding::kUnknown},
    {"ML-Atchu", FontEncoding::kMlTtMac},
    {"ML-Ayilyam", FontEncoding::kMlTtMac},
    {"MLB-Ambili-Bold", FontEncoding::kMlTt},
    {"MLB-Ambili-BoldItalic", FontEncoding::kOther},
    {"MLB-Ambili-Italic", FontEncoding::kOther},
    {"MLB-Ambili-Normal", FontEncoding::kOther},
    {"MLB-Aswathi", FontEncoding::kOther},
    {"ML-Beckal", FontEncoding::kMlTtMac},
    {"ML-Bhavana", FontEncoding::kMlTtMac},
    {"MLB-Indulekha-Bold", FontEncoding::kOther},
    {"MLB-Indulekha-BoldItalic", FontEncoding::kOther},
    {"MLB-Indulekha-Italic", FontEncoding::kOther},
    {"MLB-Indulekha-Normal", FontEncoding::kOther},
    {"MLB-Karthika", FontEncoding::kOther},
    {"MLB-Revathi", FontEncoding::kOther},
    {"MLB-TTAmbili-BoldItalic", FontEncoding::kMlTtMac},
    {"MLB-TTAmbili-Italic", FontEncoding::kMlTt},
    {"MLB-TTAmbili-Normal", FontEncoding::kMlTt},
    {"MLB-TTAswathi", FontEncoding::kMlTt},
    {"MLB-TTIndulekha", FontEncoding::kMlTt},
    {"MLB-TTKarthika", FontEncoding::kMlTt},
    {"MLB-TTRevathi-Bold", FontEncoding::kMlTt},
    {"MLB-TTRevathi-BoldItalic", FontEncoding::kOther},
    {"MLB-TTRevathi-Italic", FontEncoding::kMlTt},
    {"MLB-TTRevathi-Normal", FontEncoding::kMlTt},
    {"ML-Chandrika", FontEncoding::kMlTtMac},
    {"ML-Chithira", FontEncoding::kMlTtMac},
    {"ML-Devika", FontEncoding::kMlTtMac},
    {"ML-Gauri", FontEncoding::kMlTtMac},
    {"ML-Gauri-Heavy", FontEncoding::kMlTtMac},
    {"ML-Geethika", FontEncoding::kMlTtMac},
    {"ML-Gopika", FontEncoding::kMlTtMac},
    {"ML-Guruvayur", FontEncoding::kMlTtMac},
    {"ML-Indulekha", FontEncoding::kMlTtMac},
    {"ML-Jaya", FontEncoding::kUnknown},
    {"ML-Jyothy", FontEncoding::kMlTtMac},
    {"ML-Jyotsna", FontEncoding::kMlTtMac},
    {"ML-Kala", FontEncoding::kMlTtMac},
    {"ML-Kamini", FontEncoding::kMlTtMac},
    {"ML-Kanika", FontEncoding::kMlTtMac},
    {"ML-Karthika", FontEncoding::kMlTtMac},
    {"ML-Kaumudi", FontEncoding::kMlTtMac},
    {"ML-Keerthi", FontEncoding::kMlTtMac},
    {"ML-Leela", FontEncoding::kMlTtMac},
    {"ML-Leela-Heavy", FontEncoding::kMlTtMac},
    {"ML-Madhavi", FontEncoding::kMlTtMac},
    {"ML-Malavika", FontEncoding::kMlTtMac},
    {"ML-Mangala", FontEncoding::kMlTtMac},
    {"ML-Mayoori", FontEncoding::kMlTt},
    {"ML-Nalini", FontEncoding::kMlTtMac},
    {"ML-Nandini", FontEncoding::kMlTtMac},
    {"ML-Nanditha", FontEncoding::kMlTtMac},
    {"ML-Narmada", FontEncoding::kMlTtMac},
    {"ML-Nila", FontEncoding::kMlTtMac},
    {"ML-Onam", FontEncoding::kMlTtMac},
    {"ML-Periyar", FontEncoding::kMlTtMac},
    {"ML-Pooram", FontEncoding::kMlTtMac},
    {"ML-Poornima", FontEncoding::kMlTtMac},
    {"ML-Ravivarma-Bold", FontEncoding::kMlTtMac},
    {"ML-Ravivarma-BoldItalic", FontEncoding::kMlTtMac},
    {"ML-Ravivarma-Italic", FontEncoding::kMlTtMac},
    {"ML-Ravivarma-Normal", FontEncoding::kMlTt},
    {"ML-Revathi", FontEncoding::kMlTtMac},
    {"ML-Rohini", FontEncoding::kMlTtMac},
    {"ML-Sabari", FontEncoding::kMlTtMac},
    {"ML-Sankara", FontEncoding::kMlTtMac},
    {"ML-Sarada", FontEncoding::kMlTtMac},
    {"ML-Sruthy", FontEncoding::kMlTtMac},
    {"ML-Sugatha", FontEncoding::kMlTtMac},
    {"ML-Suparna", FontEncoding::kMlTtMac},
    {"ML-Surya-Bold", FontEncoding::kMlTtMac},
    {"ML-Surya-Normal", FontEncoding::kMlTt},
    {"ML-Swathy", FontEncoding::kMlTtMac},
    {"ML-Thakazhi", FontEncoding::kMlTtMac},
    {"ML-Theyyam", FontEncoding::kMlTtMac},
    {"ML-Thiruvathira", FontEncoding::kMlTtMac},
    {"ML-Thunchan", FontEncoding::kMlTtMac},
    {"ML-TTAathira", FontEncoding::kMlTt},
    {"ML-TTAmbili", FontEncoding::kMlTt},
    {"ML-TTAnakha", FontEncoding::kMlTt},
    {"ML-TTAnjali", FontEncoding::kMlTt},
    {"ML-TTAparna", FontEncoding::kMlTt},
    {"ML-TTAshtamudi", FontEncoding::kMlTt},
    {"ML-TTAswathi", FontEncoding::kMlTt},
    {"ML-TTAtchu", FontEncoding::kMlTt},
    {"ML-TTAyilyam", FontEncoding::kMlTt},
    {"ML-TTBeckal", FontEncoding::kMlTt},
    {"ML-TTBhavana", FontEncoding::kMlTt},
    {"ML-TTChandrika", FontEncoding::kMlTt},
    {"ML-TTChithira", FontEncoding::kMlTt},
    {"ML-TTDevika", FontEncoding::kMlTt},
    {"ML-TTGauri", FontEncoding::kMlTt},
    {"ML-TTGauri-Heavy", FontEncoding::kMlTt},
    {"ML-TTGeethika", FontEncoding::kMlTt},
    {"ML-TTGopika", FontEncoding::kMlTt},
    {"ML-TTGuruvayur", FontEncoding::kMlTt},
    {"ML-TTIndulekha", FontEncoding::kMlTt},
    {"ML-TTJaya", FontEncoding::kMlTt},
    {"ML-TTJyothy", FontEncoding::kMlTt},
    {"ML-TTJyotsna-Bold", FontEncoding::kMlTt},
    {"ML-TTJyotsna-BoldItalic", FontEncoding::kOther},
    {"ML-TTKala", FontEncoding::kMlTt},
    {"ML-TTKamini", FontEncoding::kMlTt},
    {"ML-TTKanika", FontEncoding::kMlTt},
    {"ML-TTKarthika", FontEncoding::kMlTt},
    {"ML-TTKaumudi", FontEncoding::kMlTt},
    {"ML-TTKeerthi", FontEncoding::kMlTt},
    {"ML-TTLeela", FontEncoding::kMlTt},
    {"ML-TTLeela-Heavy", FontEncoding::kMlTt},
    {"ML-TTMadhavi", FontEncoding::kMlTt},
    {"ML-TTMalavika", FontEncoding::kMlTt},
    {"ML-TTMangala", FontEncoding::kMlTt},
    {"ML-TTMayoori", FontEncoding::kMlTtMac},
    {"ML-TTNalini", FontEncoding::kMlTt},
    {"ML-TTNandini", FontEncoding::kMlTt},
    {"ML-TTNanditha", FontEncoding::kMlTt},
    {"ML-TTNarmada", FontEncoding::kMlTt},
    {"ML-TTNila", FontEncoding::kMlTt},
    {"ML-TTOnam", FontEncoding::kMlTt},
    {"ML-TTPeriyar", FontEncoding::kMlTt},
    {"ML-TTPooram", FontEncoding::kMlTt},
    {"ML-TTPoornima", FontEncoding::kMlTt},
    {"ML-TTRavivarma-Bold", FontEncoding::kMlTt},
    {"ML-TTRavivarma-BoldItalic", FontEncoding::kMlTt},
    {"ML-TTRavivarma-Italic", FontEncoding::kOther},
    {"ML-TTRavivarma-Normal", FontEncoding::kUnknown},
    {"ML-TTRevathi", FontEncoding::kMlTt},
    {"ML-TTRohini", FontEncoding::kMlTt},
    {"ML-TTSabari", FontEncoding::kMlTt},
    {"ML-TTSankara", FontEncoding::kMlTt},
    {"ML-TTSarada-Bold", FontEncoding::kMlTt},
    {"ML-TTSarada-Normal", FontEncoding::kMlTt},
    {"ML-TTSruthy", FontEncoding::kMlTt},
    {"ML-TTSugatha", FontEncoding::kMlTt},
    {"ML-TTSuparna", FontEncoding::kMlTt},
    {"ML-TTSurya-Bold", FontEncoding::kMlTt},
    {"ML-TTSurya-Normal", FontEncoding::kOther},
    {"ML-TTSwathy", FontEncoding::kMlTt},
    {"ML-TTThakazhi", FontEncoding::kMlTt},
    {"ML-TTTheyyam", FontEncoding::kMlTt},
    {"ML-TTThiruvathira", FontEncoding::kMlTt},
    {"ML-TTThunchan", FontEncoding::kMlTt},
    {"ML-TTVaisali", FontEncoding::kMlTt},
    {"ML-TTVarsha", FontEncoding::kMlTt},
    {"ML-TTVeena", FontEncoding::kMlTt},
    {"ML-TTVeena-Heavy", FontEncoding::kMlTt},
    {"ML-TTVinay", FontEncoding::kMlTt},
    {"ML-TTVisakham", FontEncoding::kMlTt},
    {"ML-TTVishu", FontEncoding::kMlTt},
    {"ML-TTYashasri", FontEncoding::kMlTt},
    {"ML-Vaisali", FontEncoding::kMlTtMac},
    {"ML-Varsha", FontEncoding::kMlTtMac},
    {"ML-Veena", FontEncoding::kMlTtMac},
    {"ML-Veena-Heavy", FontEncoding::kMlTtMac},
    {"ML-Vinay", FontEncoding::kMlTtMac},
    {"ML-Visakham", FontEncoding::kMlTtMac},
    {"ML-Vishu", FontEncoding::kMlTtMac},
    {"ML-Yashasri", FontEncoding::kMlTtMac},
};

constexpr char Folded(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool Ignored(char c) {
  return c == ' ' || c == '-' || c == '\t';
}

// How two names compare with case, spaces and hyphens left out: below, equal or above 0.
constexpr int CompareNames(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  std::size_t j = 0;
  for (;;) {
    while (i < a.size() && Ignored(a[i])) ++i;
    while (j < b.size() && Ignored(b[j])) ++j;
    if (i == a.size() || j == b.size()) return (i == a.size() ? 0 : 1) - (j == b.size() ? 0 : 1);
    const char x = Folded(a[i++]);
    const char y = Folded(b[j++]);
    if (x != y) return x < y ? -1 : 1;
  }
}

// In order and distinct, so that a name finds its row by halving.
constexpr bool InOrder() {
  for (std::size_t i = 1; i < std::size(kLegacyFonts); ++i)
    if (CompareNames(kLegacyFonts[i - 1].name, kLegacyFonts[i].name) >= 0) return false;
  return true;
}
static_assert(InOrder(), "the rows must be in order, each font once");

}  // namespace

std::optional<FontEncoding> LegacyFontEncoding(std::string_view name) {
  const auto* const row = std::lower_bound(std::begin(kLegacyFonts), std::end(kLegacyFonts), name,
                                           [](const LegacyFontRow& font, std::string_view key) {
                                             return CompareNames(font.name, key) < 0;
                                           });
  if (row == std::end(kLegacyFonts) || CompareNames(row->name, name) != 0) return std::nullopt;
  return row->encoding;
}

bool SameFontName(std::string_view a, std::string_view b) {
  return CompareNames(a, b) == 0;
}

}  // namespace lipimattam
