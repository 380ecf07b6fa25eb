#include "documents/office_package.h"

#include <utf8cpp/utf8.h>

#include <new>
#include <stdexcept>
#include <variant>

namespace lipimattam {

void Fail(const std::string& part, std::string message) {
  throw DocumentFailure{{part, std::nullopt, std::move(message)}};
}

Part* PartStore::Load(const std::string& name) {
  if (const auto found = parts_.find(name); found != parts_.end()) return found->second.get();
  std::optional<std::string> bytes = read_(name);
  if (!bytes) {
    parts_.emplace(name, nullptr);
    return nullptr;
  }
  auto part = std::make_unique<Part>();
  part->name = name;
  part->bytes = std::move(*bytes);
  const auto invalid = utf8::find_invalid(part->bytes.begin(), part->bytes.end());
  if (invalid != part->bytes.end())
    throw DocumentFailure{
        {name, static_cast<std::size_t>(invalid - part->bytes.begin()), "invalid UTF-8"}};
  auto parsed = XmlTree::Parse(part->bytes);
  if (auto* error = std::get_if<XmlError>(&parsed))
    throw DocumentFailure{{name, error->byte_offset, "malformed XML: " + error->message}};
  part->tree = std::move(std::get<XmlTree>(parsed));
  return parts_.emplace(name, std::move(part)).first->second.get();
}

std::vector<std::pair<std::string, std::string>> PartStore::Changed() const {
  std::vector<std::pair<std::string, std::string>> changed;
  for (const auto& [name, part] : parts_)
    if (part && !part->edits.Empty()) changed.emplace_back(name, part->edits.Apply(part->bytes));
  return changed;
}

std::string ResolvePartName(std::string_view source_part, std::string_view target) {
  std::string path;
  if (!target.empty() && target.front() == '/') {
    target.remove_prefix(1);
  } else {
    const std::size_t slash = source_part.rfind('/');
    if (slash != std::string_view::npos) path = std::string(source_part.substr(0, slash + 1));
  }
  path += target;
  std::vector<std::string> segments;
  std::size_t start = 0;
  for (;;) {
    const std::size_t slash = path.find('/', start);
    const std::string segment = path.substr(start, slash - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  std::string resolved;
  for (const std::string& segment : segments) resolved += (resolved.empty() ? "" : "/") + segment;
  return resolved;
}

std::string RewriteStartTag(std::string_view qualified_name,
                            std::span<const XmlNodeAttribute> attributes,
                            const std::vector<std::string_view>& drop,
                            const std::vector<AttributeChange>& set, bool empty) {
  std::string tag = "<" + std::string(qualified_name);
  const auto quoted = [](std::string_view value) {
    const char quote = value.find('"') == std::string_view::npos ? '"' : '\'';
    return quote + std::string(value) + quote;
  };
  std::vector<bool> written(set.size(), false);
  for (const XmlNodeAttribute& attribute : attributes) {
    bool dropped = false;
    for (const std::string_view name : drop) dropped = dropped || attribute.qualified == name;
    for (std::size_t i = 0; i < set.size(); ++i) {
      if (attribute.qualified == set[i].qualified) {
        tag += " " + set[i].qualified + "=" + quoted(set[i].value);
        written[i] = dropped = true;
      }
    }
    if (!dropped) tag += " " + std::string(attribute.qualified) + "=" + quoted(attribute.value);
  }
  for (std::size_t i = 0; i < set.size(); ++i)
    if (!written[i]) tag += " " + set[i].qualified + "=" + quoted(set[i].value);
  return tag + (empty ? "/>" : ">");
}

ReadPart ReadPartsOf(const std::map<std::string, std::string>& parts) {
  return [&parts](const std::string& name) -> std::optional<std::string> {
    const auto found = parts.find(name);
    if (found == parts.end()) return std::nullopt;
    return found->second;
  };
}

PartsConversion ConvertDocumentParts(DocumentFormat format, const ReadPart& read,
                                     const DocumentOptions& options) {
  try {
    return format == DocumentFormat::kDocx ? ConvertDocx(read, options) : ConvertOdt(read, options);
  } catch (const DocumentFailure& failure) {
    PartsConversion result;
    result.error = failure.error;
    return result;
  } catch (const utf8::exception&) {
    PartsConversion result;
    result.error = DocumentError{{}, std::nullopt, "internal error: converted text is not UTF-16"};
    return result;
  } catch (const std::logic_error& error) {
    PartsConversion result;
    result.error = DocumentError{{}, std::nullopt, std::string("internal error: ") + error.what()};
    return result;
  }
}

namespace {

DocumentFormat FormatOfEntries(const ReadPart& read) {
  if (const auto mimetype = read("mimetype")) {
    if (*mimetype == "application/vnd.oasis.opendocument.text" ||
        *mimetype == "application/vnd.oasis.opendocument.text-template")
      return DocumentFormat::kOdt;
    Fail("mimetype",
         "an OpenDocument file of the type '" + mimetype->substr(0, 80) + "', not a text document");
  }
  if (const auto types = read("[Content_Types].xml")) {
    if (types->find("wordprocessingml") == std::string::npos)
      Fail("[Content_Types].xml", "an Office file that is not a Word document");
    return DocumentFormat::kDocx;
  }
  Fail("", "a ZIP archive that is neither a Word (DOCX) nor an OpenDocument text (ODT) file");
}

}  // namespace

EntriesConversion ConvertDocumentEntries(const ReadPart& read, const DocumentOptions& options) {
  EntriesConversion result;
  try {
    result.format = FormatOfEntries(read);
    if (result.format == DocumentFormat::kOdt) {
      const auto manifest = read("META-INF/manifest.xml");
      if (manifest && manifest->find("encryption-data") != std::string::npos)
        Fail("META-INF/manifest.xml",
             "the document is encrypted; remove the password and convert it again");
    }
  } catch (const DocumentFailure& failure) {
    result.parts.error = failure.error;
    return result;
  }
  result.parts = ConvertDocumentParts(result.format, read, options);
  return result;
}

}  // namespace lipimattam
