// Whole document files: the zip container of a DOCX or ODT file read and written with libzip,
// its XML parts converted by ConvertDocumentParts. Entries the conversion does not change are
// copied as they were stored, and an ODT file's `mimetype` stays first and uncompressed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "documents/document.h"

namespace lipimattam {

// Whether a file's first bytes are those of a document container: a ZIP archive, or an OLE2
// compound file (a Word 97-2003 .doc, or an encrypted .docx). Text never begins so.
[[nodiscard]] bool LooksLikeDocument(std::string_view head);

struct DocumentFileConversion {
  std::string bytes;  // the converted document; empty on an error
  DocumentFormat format = DocumentFormat::kDocx;
  DocumentSummary summary;
  std::optional<DocumentError> error;
};

[[nodiscard]] DocumentFileConversion ConvertDocumentFile(std::string_view bytes,
                                                         const DocumentOptions& options);

}  // namespace lipimattam
