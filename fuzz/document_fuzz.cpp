// Fuzzes the document rules: the first byte chooses Word or OpenDocument and the direction,
// the rest is the main part, beside fixed styles with ML-TT fonts in them. Nothing crashes; a
// part that converts comes out well-formed, and converting it again works.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <variant>

#include "documents/document.h"
#include "documents/xml_tree.h"

namespace {

void Expect(bool holds) {
  if (!holds) std::abort();
}

const char* const kWordStyles =
    R"(<w:styles xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
    R"(<w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:cstheme="minorBidi"/><w:sz w:val="22"/>)"
    R"(</w:rPr></w:rPrDefault></w:docDefaults><w:style w:type="paragraph" w:default="1" )"
    R"(w:styleId="N"><w:rPr><w:rFonts w:ascii="ML-TTRevathi" w:hAnsi="ML-Revathi"/><w:b/>)"
    R"(</w:rPr></w:style><w:style w:type="character" w:styleId="C"><w:basedOn w:val="C"/>)"
    R"(<w:rPr><w:rFonts w:ascii="Arial"/><w:i/></w:rPr></w:style></w:styles>)";
const char* const kOdfStyles =
    R"(<office:document-styles xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
    R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
    R"(xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" )"
    R"(xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0">)"
    R"(<office:font-face-decls><style:font-face style:name="R" svg:font-family="ML-TTKarthika"/>)"
    R"(</office:font-face-decls><office:styles><style:default-style style:family="paragraph">)"
    R"(<style:text-properties style:font-name="R" fo:font-size="11pt"/></style:default-style>)"
    R"(<style:style style:name="T" style:family="text" style:parent-style-name="T">)"
    R"(<style:text-properties fo:font-family="ML-Revathi" fo:font-weight="bold"/></style:style>)"
    R"(</office:styles></office:document-styles>)";
const char* const kRelationships =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="a" Type="x/officeDocument" Target="word/document.xml"/></Relationships>)";
const char* const kDocumentRelationships =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="a" Type="x/styles" Target="styles.xml"/></Relationships>)";

lipimattam::PartsConversion Convert(lipimattam::DocumentFormat format,
                                    const std::map<std::string, std::string>& parts,
                                    lipimattam::DocumentDirection direction) {
  lipimattam::DocumentOptions options;
  options.direction = direction;
  return lipimattam::ConvertDocumentParts(format, lipimattam::ReadPartsOf(parts), options);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool word = (data[0] & 1) != 0;
  const auto direction = (data[0] & 2) != 0 ? lipimattam::DocumentDirection::kToMlTt
                                            : lipimattam::DocumentDirection::kToUnicode;
  const auto format = word ? lipimattam::DocumentFormat::kDocx : lipimattam::DocumentFormat::kOdt;
  std::map<std::string, std::string> parts;
  const std::string main(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (word) {
    parts = {{"_rels/.rels", kRelationships},
             {"word/_rels/document.xml.rels", kDocumentRelationships},
             {"word/document.xml", main},
             {"word/styles.xml", kWordStyles}};
  } else {
    parts = {{"content.xml", main}, {"styles.xml", kOdfStyles}};
  }
  const lipimattam::PartsConversion converted = Convert(format, parts, direction);
  if (converted.error) {
    Expect(!converted.error->message.empty());
    // A message may quote the part; a fault of the program begins so.
    Expect(converted.error->message.rfind("internal error", 0) != 0);
    return 0;
  }
  for (const auto& [name, bytes] : converted.changed) {
    Expect(std::holds_alternative<lipimattam::XmlTree>(lipimattam::XmlTree::Parse(bytes)));
    parts[name] = bytes;
  }
  Expect(!Convert(format, parts, direction).error);
  return 0;
}
