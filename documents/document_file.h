// Whole document files: the zip container of a DOCX or ODT file read and written with libzip,
// its XML parts converted by ConvertDocumentParts. Entries the conversion does not change are
// copied as they were stored, and an ODT file's `mimetype` stays first and uncompressed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "documents/document.h"

namespace lipimattam {

inline constexpr std::string_view kZipSignature = "PK\x03\x04";
inline constexpr std::string_view kEmptyZipSignature = "PK\x05\x06";
inline constexpr std::string_view kOleSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

// Whether a file's first bytes are those of a document container: a ZIP archive, or an OLE2
// compound file (a Word 97-2003 .doc, or an encrypted .docx). Text never begins so. Told
// without libzip, so that a reader of text need not load it.
[[nodiscard]] inline bool LooksLikeDocument(std::string_view head) {
  return head.substr(0, 4) == kZipSignature || head.substr(0, 4) == kEmptyZipSignature ||
         head.substr(0, kOleSignature.size()) == kOleSignature;
}

struct DocumentFileConversion {
  std::string bytes;  // the converted document; empty on an error
  DocumentFormat format = DocumentFormat::kDocx;
  DocumentSummary summary;
  std::optional<DocumentError> error;
};

[[nodiscard]] DocumentFileConversion ConvertDocumentFile(std::string_view bytes,
                                                         const DocumentOptions& options);

// The same, as the document module (lipimattam-documents.so) offers it to a program that loads
// it only when it meets a document.
inline constexpr const char* kConvertDocumentFileSymbol = "lipimattam_convert_document_file";
using ConvertDocumentFileEntry = void (*)(const char* bytes, std::size_t size,
                                          const DocumentOptions* options,
                                          DocumentFileConversion* result);

}  // namespace lipimattam
