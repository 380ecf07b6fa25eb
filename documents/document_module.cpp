// The document module: ConvertDocumentFile behind one C entry point, for a program that loads
// libzip and the document rules only when it meets a document.
#include "documents/document_file.h"

extern "C" [[gnu::visibility("default")]] void lipimattam_convert_document_file(
    const char* bytes, std::size_t size, const lipimattam::DocumentOptions* options,
    lipimattam::DocumentFileConversion* result) {
  *result = lipimattam::ConvertDocumentFile(std::string_view(bytes, size), *options);
}

// The entry point has the type that the loading program expects.
static_assert(std::is_same_v<decltype(&lipimattam_convert_document_file),
                             lipimattam::ConvertDocumentFileEntry>);
