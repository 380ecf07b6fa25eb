// Converting whole documents, Word (DOCX) and OpenDocument text (ODT), in either direction:
// the Malayalam text changes encoding and font, and everything else (formatting, pictures,
// fields, the English text) stays as it was. This layer works on a document's XML parts as
// bytes; the zip container that holds them is handled apart (document_file.h).
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <lipimattam/to_unicode.h>

namespace lipimattam {

enum class DocumentFormat { kDocx, kOdt };

enum class DocumentDirection {
  kToUnicode,  // text set in ML-TT fonts becomes Unicode Malayalam in the Unicode font
  kToMlTt,     // Unicode Malayalam becomes ML-TT codes in the ML-TT font
};

inline constexpr const char* kDefaultUnicodeFont = "AnjaliOldLipi";
inline constexpr const char* kDefaultMlTtFont = "ML-TTRevathi";

struct DocumentOptions {
  DocumentDirection direction = DocumentDirection::kToUnicode;
  std::string unicode_font = kDefaultUnicodeFont;
  std::string ml_tt_font = kDefaultMlTtFont;
  std::vector<std::string> legacy_fonts;  // more fonts whose text is in the ML-TT encoding
  ToUnicodeOptions to_unicode;
};

struct DocumentSummary {
  std::size_t runs = 0;           // runs of text (DOCX) or stretches of a paragraph (ODT) changed
  std::size_t characters = 0;     // characters of the text converted, as they were
  std::size_t unknown_codes = 0;  // glyph codes with no meaning, copied unchanged
  // Legacy Malayalam fonts whose text was found and left alone: of another encoding, or of
  // one not known. Sorted, each once.
  std::vector<std::string> fonts_left_alone;
};

struct DocumentError {
  std::string part;  // the entry at fault, or empty for the document as a whole
  std::optional<std::size_t> byte_offset;
  std::string message;
};

// Gives the bytes of a document's entry by name, or nothing when there is none.
using ReadPart = std::function<std::optional<std::string>(const std::string& name)>;

// The entries of a document held in memory, by name; `parts` must outlive what it returns.
[[nodiscard]] ReadPart ReadPartsOf(const std::map<std::string, std::string>& parts);

struct PartsConversion {
  std::vector<std::pair<std::string, std::string>> changed;  // entries edited: name, bytes
  DocumentSummary summary;
  std::optional<DocumentError> error;  // if set, nothing is to be written
};

[[nodiscard]] PartsConversion ConvertDocumentParts(DocumentFormat format, const ReadPart& read,
                                                   const DocumentOptions& options);

struct EntriesConversion {
  DocumentFormat format = DocumentFormat::kDocx;
  PartsConversion parts;  // parts.error is set for a container that is no text document too
};

// A whole document from its container's entries: its format told by the `mimetype` entry
// (ODT) or by `[Content_Types].xml` (DOCX), an encrypted ODT refused by its manifest, then its
// parts converted. Both the filter and the page, which read the container each its own way,
// go through here.
[[nodiscard]] EntriesConversion ConvertDocumentEntries(const ReadPart& read,
                                                       const DocumentOptions& options);

}  // namespace lipimattam
