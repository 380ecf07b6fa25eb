// The document converter, loaded from its module the first time a document is met: a run that
// converts only text never loads libzip or the document rules, and starts as fast as a small
// filter can.
#pragma once

#include <string>
#include <string_view>

#include "documents/document_file.h"

namespace lipimattam {

// ConvertDocumentFile through the module. If the module cannot be loaded, `load_error` says
// why and the conversion is empty. Safe to call from several threads.
[[nodiscard]] DocumentFileConversion ConvertDocumentThroughModule(std::string_view bytes,
                                                                  const DocumentOptions& options,
                                                                  std::string& load_error);

}  // namespace lipimattam
