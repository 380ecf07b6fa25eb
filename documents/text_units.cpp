#include "documents/text_units.h"

#include <utf8cpp/utf8.h>

#include <iterator>

#include <lipimattam/code_pages.h>
#include <lipimattam/cut_points.h>

#include "documents/xml_scanner.h"

namespace lipimattam {
namespace {

constexpr char16_t kZeroWidthNonJoiner = 0x200C;
constexpr char16_t kZeroWidthJoiner = 0x200D;

// Whether a name not in the list of legacy fonts looks like one of the ML-TT family's, so that
// the summary names it for the user to decide.
bool LooksLikeMlTtFamily(std::string_view font) {
  for (const std::string_view prefix : {"ML-TT", "MLB-TT", "MLTT"}) {
    if (font.size() >= prefix.size() && SameFontName(font.substr(0, prefix.size()), prefix))
      return true;
  }
  return false;
}

}  // namespace

std::vector<std::u16string> ConvertPieces(const std::vector<std::u16string>& pieces,
                                          const DocumentOptions& options,
                                          DocumentSummary& summary) {
  std::u16string input;
  std::vector<std::size_t> starts;
  for (const std::u16string& piece : pieces) {
    if (!input.empty()) starts.push_back(input.size());
    input += piece;
  }
  summary.characters += input.size();
  std::u16string output;
  std::vector<CutPoint> cuts;
  if (options.direction == DocumentDirection::kToUnicode) {
    CutReading reading = ConvertToUnicodeWithCuts(input, starts, options.to_unicode);
    summary.unknown_codes += reading.result.unknown_codes;
    output = std::move(reading.result.text);
    cuts = std::move(reading.cuts);
  } else {
    CutConversion conversion = ConvertTextWithCuts(input, starts);
    output = std::move(conversion.text);
    cuts = std::move(conversion.cuts);
  }
  std::vector<std::u16string> outputs;
  outputs.reserve(pieces.size());
  std::size_t from = 0;
  for (const CutPoint& cut : cuts) {
    outputs.push_back(output.substr(from, cut.output - from));
    from = cut.output;
  }
  outputs.push_back(output.substr(from));
  return outputs;
}

std::vector<ConvertedPiece> ConvertAtoms(std::vector<TextAtom>& atoms,
                                         const DocumentOptions& options, DocumentSummary& summary) {
  const auto is_break = [&atoms](std::size_t i) { return atoms[i].source == kNoSource; };
  if (options.direction == DocumentDirection::kToMlTt) {
    std::size_t start = 0;
    for (std::size_t i = 0; i <= atoms.size(); ++i) {
      if (i < atoms.size() && !is_break(i) && atoms[i].deleted == atoms[start].deleted) continue;
      std::vector<ScriptClass> classes;
      for (std::size_t j = start; j < i; ++j) classes.push_back(atoms[j].script);
      const std::vector<bool> converted = MalayalamStretches(classes);
      for (std::size_t j = start; j < i; ++j) atoms[j].convertible = converted[j - start];
      start = i < atoms.size() && !is_break(i) ? i : i + 1;
    }
  }
  std::vector<ConvertedPiece> converted;
  std::size_t i = 0;
  while (i < atoms.size()) {
    if (is_break(i) || !atoms[i].convertible) {
      ++i;
      continue;
    }
    std::vector<std::u16string> inputs;
    const std::size_t first_piece = converted.size();
    std::size_t end = i;
    for (; end < atoms.size() && !is_break(end) && atoms[end].convertible &&
           atoms[end].deleted == atoms[i].deleted;
         ++end) {
      if (end == i || atoms[end].source != atoms[end - 1].source ||
          atoms[end].offset != atoms[end - 1].offset + 1) {
        inputs.emplace_back();
        converted.push_back({atoms[end].source, atoms[end].offset, 0, {}});
      }
      inputs.back() += atoms[end].code;
      ++converted.back().length;
    }
    std::vector<std::u16string> outputs = ConvertPieces(inputs, options, summary);
    for (std::size_t p = 0; p < outputs.size(); ++p)
      converted[first_piece + p].output = std::move(outputs[p]);
    i = end;
  }
  return converted;
}

FontReading FontClasses::Reading(std::string_view font) {
  const auto known = known_.find(font);
  if (known != known_.end()) return known->second;
  const FontReading reading = Classify(font);
  known_.emplace(font, reading);
  return reading;
}

FontReading FontClasses::Classify(std::string_view font) {
  for (const std::string& extra : options_.legacy_fonts)
    if (SameFontName(font, extra)) return FontReading::kMlTt;
  const auto encoding = LegacyFontEncoding(font);
  if (!encoding) {
    if (LooksLikeMlTtFamily(font)) left_alone_.emplace(font);
    return FontReading::kNone;
  }
  switch (*encoding) {
    case FontEncoding::kMlTt:
      return FontReading::kMlTt;
    case FontEncoding::kMlTtMac:
      return FontReading::kMlTtMac;
    case FontEncoding::kOther:
    case FontEncoding::kUnknown:
      left_alone_.emplace(font);
      break;
  }
  return FontReading::kNone;
}

char16_t CodeOf(char16_t unit, FontReading reading) {
  if (reading == FontReading::kNone) return unit;
  if (unit >= 0xF020 && unit <= 0xF0FF) return static_cast<char16_t>(unit - 0xF000);
  if (reading == FontReading::kMlTtMac) {
    const int code = ByteOfUnit(unit, CodePage::kMacRoman);
    if (code >= 0) return static_cast<char16_t>(code);
  }
  return unit;
}

ScriptClass ClassOf(char16_t unit) {
  if ((unit >= 0x0D00 && unit <= 0x0D7F) || unit == kZeroWidthJoiner || unit == kZeroWidthNonJoiner)
    return ScriptClass::kMalayalam;
  const bool ascii_neutral = unit < 0x80 && !(unit >= '0' && unit <= '9') &&
                             !((unit | 0x20) >= 'a' && (unit | 0x20) <= 'z');
  const bool latin1_neutral = unit == 0xA0;
  const bool general_punctuation = unit >= 0x2000 && unit <= 0x206F;
  if (ascii_neutral || latin1_neutral || general_punctuation) return ScriptClass::kNeutral;
  return ScriptClass::kOther;
}

std::vector<bool> MalayalamStretches(const std::vector<ScriptClass>& classes) {
  std::vector<bool> converted(classes.size(), false);
  std::size_t last_malayalam = classes.size();  // none yet
  for (std::size_t i = 0; i < classes.size(); ++i) {
    if (classes[i] == ScriptClass::kOther) {
      last_malayalam = classes.size();
    } else if (classes[i] == ScriptClass::kMalayalam) {
      const std::size_t from = last_malayalam == classes.size() ? i : last_malayalam + 1;
      for (std::size_t j = from; j <= i; ++j) converted[j] = true;
      last_malayalam = i;
    }
  }
  return converted;
}

std::u16string ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  utf8::unchecked::utf8to16(utf8.begin(), utf8.end(), std::back_inserter(out));
  return out;
}

std::string ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  utf8::utf16to8(utf16.begin(), utf16.end(), std::back_inserter(out));
  return out;
}

std::string EscapeText(std::u16string_view text) {
  return XmlEscape(ToUtf8(text));
}

}  // namespace lipimattam
