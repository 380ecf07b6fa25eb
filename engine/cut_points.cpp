#include <lipimattam/cut_points.h>

#include <algorithm>

#include <lipimattam/convert.h>
#include <lipimattam/utf16.h>

#include "engine/glyph_cuts.h"
#include "engine/glyph_map.h"
#include "engine/sign_rules.h"

namespace lipimattam {
namespace {

constexpr char16_t kDotReph = 0x0D4E;  // written before the consonant it stands on
constexpr char16_t kYa = 0x0D2F;
constexpr char16_t kVa = 0x0D35;
constexpr char16_t kFirstConsonant = 0x0D15;
constexpr char16_t kLastConsonant = 0x0D3A;

// A Malayalam sign, which belongs to the syllable before it.
constexpr bool IsSign(char16_t unit) {
  return (unit >= 0x0D00 && unit <= 0x0D04) || unit == 0x0D3B || unit == 0x0D3C ||
         (unit >= 0x0D3E && unit <= 0x0D4D) || unit == 0x0D57 || unit == 0x0D62 || unit == 0x0D63;
}

// The first cut point at or after `at`, found by `is_cut`.
template <typename IsCut>
std::size_t NextCut(std::u16string_view text, std::size_t at, IsCut is_cut) {
  while (!is_cut(text, at)) ++at;  // the end is one
  return at;
}

}  // namespace

bool IsCutPoint(std::u16string_view input, std::size_t at) {
  if (at == 0 || at >= input.size()) return true;
  const char16_t before = input[at - 1];
  const char16_t here = input[at];
  if (IsLineBreak(before) || IsLineBreak(here)) return true;  // each line converts alone
  // Units up to 0xFF are glyph codes already, which the rules act on like any other (an E sign
  // code moves, a brace is the RA sign): only spaces and tabs are safe on either side.
  const auto blank = [](char16_t unit) { return unit == u' ' || unit == u'\t'; };
  if (here <= 0xFF) {
    if (!blank(here)) return false;
  } else if (IsLowSurrogate(here) || IsSign(here) || here == kZeroWidthJoiner ||
             here == kZeroWidthNonJoiner) {
    return false;
  }
  if (before <= 0xFF) return blank(before);
  if (before == kZeroWidthJoiner || before == kZeroWidthNonJoiner || before == kDotReph)
    return false;
  // A virama reaches the consonant after it across the signs that follow it (a sub-joined YA
  // or VA sign forms past an E sign): none may stand among the signs before the cut, nor a
  // glyph code before them, which may be the virama's.
  std::size_t k = at;
  for (; k > 0 && input[k - 1] > 0xFF && IsSign(input[k - 1]); --k)
    if (input[k - 1] == kViramaUnit) return false;
  if (k < at && k > 0 && input[k - 1] <= 0xFF && !blank(input[k - 1])) return false;
  // A doubled virama reaches further: past the RA, YA or VA sign that the second one forms and
  // the signs after it, to the next consonant.
  const auto forms_sign = [](char16_t unit) {
    return unit == kYa || unit == kVa || unit == kRaUnit;
  };
  if (k >= 3 && forms_sign(input[k - 1]) && input[k - 2] == kViramaUnit &&
      input[k - 3] == kViramaUnit)
    return false;
  // YA, VA and RA after a virama become its consonant's sub-joined sign, even across signs
  // between them. Only where the virama stands right after a consonant does the sign land
  // inside that cluster; elsewhere it may stand last (the RA sign with nothing to stand
  // before), where what follows the cut would act on it.
  if (before == kYa || before == kVa || before == kRaUnit) {
    const std::size_t letter = at - 1;
    std::size_t j = letter;
    while (j > 0 && input[j - 1] > 0xFF && IsSign(input[j - 1]) && input[j - 1] != kViramaUnit) --j;
    if (j > 0 && input[j - 1] <= 0xFF && !blank(input[j - 1])) return false;  // a glyph code
    if (j > 0 && input[j - 1] == kViramaUnit)
      return j == letter && j >= 2 && input[j - 2] >= kFirstConsonant &&
             input[j - 2] <= kLastConsonant;
  }
  return true;
}

CutConversion ConvertTextWithCuts(std::u16string_view input,
                                  const std::vector<std::size_t>& wanted) {
  CutConversion converted;
  converted.cuts.reserve(wanted.size());
  std::size_t start = 0;
  for (const std::size_t offset : wanted) {
    const std::size_t cut = NextCut(input, std::clamp(offset, start, input.size()), IsCutPoint);
    if (cut > start) converted.text += ConvertText(input.substr(start, cut - start));
    start = cut;
    converted.cuts.push_back({cut, converted.text.size()});
  }
  converted.text += ConvertText(input.substr(start));
  return converted;
}

CutReading ConvertToUnicodeWithCuts(std::u16string_view glyphs,
                                    const std::vector<std::size_t>& wanted,
                                    const ToUnicodeOptions& options) {
  CutReading read;
  read.cuts.reserve(wanted.size());
  std::size_t start = 0;
  const auto read_part = [&](std::size_t end) {
    ToUnicodeResult part = ConvertToUnicode(glyphs.substr(start, end - start), options);
    if (part.unknown_codes != 0 && read.result.unknown_codes == 0)
      read.result.first_unknown = start + part.first_unknown;
    read.result.unknown_codes += part.unknown_codes;
    read.result.text += part.text;
  };
  for (const std::size_t offset : wanted) {
    const std::size_t at = std::clamp(offset, start, glyphs.size());
    // A cluster goes with the part that holds its consonant: to the part after the offset when
    // only signs drawn before the consonant stand before it.
    std::size_t cluster = at;
    while (cluster > start && !IsGlyphCutPoint(glyphs, cluster)) --cluster;
    bool signs_only = cluster < at;
    for (std::size_t i = cluster; i < at && signs_only; ++i)
      signs_only = StandsBeforeConsonant(glyphs[i]);
    const std::size_t cut = signs_only ? cluster : NextCut(glyphs, at, IsGlyphCutPoint);
    if (cut > start) read_part(cut);
    start = cut;
    read.cuts.push_back({cut, read.result.text.size()});
  }
  read_part(glyphs.size());
  return read;
}

}  // namespace lipimattam
