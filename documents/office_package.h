// The shared machinery of the two formats: a document's XML parts, read and parsed once, with
// the edits made to them; and the failures that end a conversion, with the part they are in.
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "documents/document.h"
#include "documents/xml_tree.h"

namespace lipimattam {

struct Part {
  std::string name;
  std::string bytes;
  XmlTree tree;
  XmlEdits edits;
};

// Thrown inside a conversion; ConvertDocumentParts turns it into the result's error.
struct DocumentFailure {
  DocumentError error;
};

class PartStore {
 public:
  explicit PartStore(const ReadPart& read) : read_(read) {}
  // The parsed part, or null when the document has no entry of that name. Invalid UTF-8 or
  // XML is a failure that names the part and the byte.
  Part* Load(const std::string& name);
  // The parts that were edited, with their new bytes.
  [[nodiscard]] std::vector<std::pair<std::string, std::string>> Changed() const;
  // The conversion's result: the edited parts and the summary.
  [[nodiscard]] PartsConversion Result(DocumentSummary summary,
                                       std::vector<std::string> fonts_left_alone) const {
    summary.fonts_left_alone = std::move(fonts_left_alone);
    return {Changed(), std::move(summary), std::nullopt};
  }

 private:
  const ReadPart& read_;
  std::map<std::string, std::unique_ptr<Part>> parts_;  // null for a part that is missing
};

[[noreturn]] void Fail(const std::string& part, std::string message);

// "word/media/../styles.xml" as "word/styles.xml"; a target relative to the part's folder.
[[nodiscard]] std::string ResolvePartName(std::string_view source_part, std::string_view target);

// The fragment of a start or empty tag with an attribute set to a new value, added if absent,
// and others dropped; `attributes` are the element's, `qualified` names as written.
struct AttributeChange {
  std::string qualified;
  std::string value;  // written as is: escaped by the caller
};
[[nodiscard]] std::string RewriteStartTag(std::string_view qualified_name,
                                          std::span<const XmlNodeAttribute> attributes,
                                          const std::vector<std::string_view>& drop,
                                          const std::vector<AttributeChange>& set, bool empty);

[[nodiscard]] PartsConversion ConvertDocx(const ReadPart& read, const DocumentOptions& options);
[[nodiscard]] PartsConversion ConvertOdt(const ReadPart& read, const DocumentOptions& options);

}  // namespace lipimattam
