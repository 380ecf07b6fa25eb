// What both formats share: a stretch of text gathered from several places of a part, converted
// as one text and handed back in pieces, and how a character is classed for conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "documents/document.h"
#include "documents/legacy_fonts.h"

namespace lipimattam {

// Classes of characters for converting into ML-TT: Malayalam (with the joiners), what may
// stand between Malayalam words (spaces, punctuation), and everything else.
enum class ScriptClass { kMalayalam, kNeutral, kOther };

// A character of a paragraph gathered for conversion, or a break that ends a stretch of text.
inline constexpr std::uint32_t kNoSource = UINT32_MAX;
struct TextAtom {
  std::uint32_t source = kNoSource;  // the text it stands in (a run's, a text node); none: a break
  std::uint32_t offset = 0;          // its place in that text
  char16_t code = 0;                 // what is converted: the character, or the code it stands for
  bool convertible = false;
  bool deleted = false;  // tracked as deleted: deleted and live text never convert together
  ScriptClass script = ScriptClass::kOther;
};

// The output of the atoms of one source that stand together.
struct ConvertedPiece {
  std::uint32_t source = kNoSource;
  std::uint32_t offset = 0;
  std::size_t length = 0;  // atoms
  std::u16string output;
};

// Converts a paragraph's atoms: converting into ML-TT, first marks the Malayalam and what
// stands between Malayalam words as convertible. Each stretch of adjacent convertible atoms
// converts as one text, and each piece of it gets its share of the output.
[[nodiscard]] std::vector<ConvertedPiece> ConvertAtoms(std::vector<TextAtom>& atoms,
                                                       const DocumentOptions& options,
                                                       DocumentSummary& summary);

// Converts the pieces, joined, as one text and gives each piece its share of the output: the
// output is cut at the engine's first cut point at or after each piece's start, so a syllable
// that spans pieces goes to the piece where it begins. Adds to the summary's counts.
[[nodiscard]] std::vector<std::u16string> ConvertPieces(const std::vector<std::u16string>& pieces,
                                                        const DocumentOptions& options,
                                                        DocumentSummary& summary);

// How a font's text is read when converting to Unicode: as ML-TT codes, as Mac Roman
// characters standing for them, or not at all.
enum class FontReading { kNone, kMlTt, kMlTtMac };

class FontClasses {
 public:
  explicit FontClasses(const DocumentOptions& options) : options_(options) {}
  // How text set in `font` is read; a legacy font of another or an unknown encoding is noted
  // as left alone.
  FontReading Reading(std::string_view font);
  [[nodiscard]] std::vector<std::string> LeftAlone() const {
    return {left_alone_.begin(), left_alone_.end()};
  }

 private:
  FontReading Classify(std::string_view font);

  const DocumentOptions& options_;
  std::set<std::string, std::less<>> left_alone_;
  std::map<std::string, FontReading, std::less<>> known_;  // each name classified once
};

// The ML-TT code a character in a font of this reading stands for (Word keeps symbol-font
// text as U+F020..U+F0FF), or the character itself.
[[nodiscard]] char16_t CodeOf(char16_t unit, FontReading reading);

[[nodiscard]] ScriptClass ClassOf(char16_t unit);

// Marks which units of a stretch are converted into ML-TT: Malayalam, and the neutral units
// between two Malayalam ones.
[[nodiscard]] std::vector<bool> MalayalamStretches(const std::vector<ScriptClass>& classes);

// UTF-8 and UTF-16 without checks beyond what XML guarantees; a lone surrogate becomes U+FFFD.
[[nodiscard]] std::u16string ToUtf16(std::string_view utf8);
[[nodiscard]] std::string ToUtf8(std::u16string_view utf16);

// Character data for converted text, escaped as XmlEscape escapes it.
[[nodiscard]] std::string EscapeText(std::u16string_view text);

}  // namespace lipimattam
