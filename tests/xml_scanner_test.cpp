// The document library's XML scanner: tokens that tile a part exactly, and faults with their
// byte offsets.
#include "documents/xml_scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lipimattam {
namespace {

// The tokens of `xml`, one word each: S:name[attribute=value] E:name T:text C:data ...
std::string Tokens(std::string_view xml, std::optional<XmlError>* error = nullptr) {
  XmlScanner scanner(xml);
  XmlToken token;
  std::string words;
  std::size_t tiled = 0;
  while (scanner.Next(token)) {
    EXPECT_EQ(token.begin, tiled) << "a gap or an overlap before " << words;
    tiled = token.end;
    static constexpr const char* kKinds[] = {"S", "Z", "E", "T", "C", "!", "?"};
    words += std::string(words.empty() ? "" : " ") + kKinds[static_cast<int>(token.kind)] + ":" +
             std::string(token.name) + std::string(token.text);
    for (const XmlAttribute& attribute : token.attributes) {
      words += "[" + std::string(attribute.name) + "=" + std::string(attribute.value) + "]";
      EXPECT_EQ(xml.substr(attribute.value_offset, attribute.value.size()), attribute.value);
    }
  }
  if (error != nullptr) *error = scanner.Error();
  if (!scanner.Error()) {
    EXPECT_EQ(tiled, xml.size()) << "the tokens end before the part";
  }
  return words;
}

TEST(XmlScanner, TokensTileThePart) {
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      "<w:document xmlns:w='urn:w'><w:body><!-- a note -->"
      "<w:p><w:r><w:rPr><w:rFonts w:ascii=\"ML-TTRevathi\" w:hAnsi=\"A &amp; B\"/></w:rPr>"
      "<w:t xml:space=\"preserve\">I &lt;v&#x41;&#66;</w:t></w:r></w:p>"
      "<w:p><![CDATA[<raw>]]></w:p></w:body></w:document>\n";
  EXPECT_EQ(Tokens(xml),
            "?:xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" T:\r\n "
            "S:w:document[xmlns:w=urn:w] S:w:body !: a note  S:w:p S:w:r S:w:rPr "
            "Z:w:rFonts[w:ascii=ML-TTRevathi][w:hAnsi=A &amp; B] E:w:rPr "
            "S:w:t[xml:space=preserve] T:I &lt;v&#x41;&#66; E:w:t E:w:r E:w:p S:w:p C:<raw> E:w:p "
            "E:w:body E:w:document T:\n");
}

TEST(XmlScanner, FaultsAreNamedAtTheirByte) {
  const struct {
    const char* xml;
    std::size_t offset;
    const char* said;
  } faults[] = {
      {"<a><b></a>", 6, "the end tag 'a' closes the element 'b'"},
      {"<a>x &nbsp; y</a>", 5, "an unknown reference '&nbsp;'"},
      {"<a>x & y</a>", 5, "an '&' that begins no reference"},
      {"<a>&#0;</a>", 3, "an unknown reference '&#0;'"},
      {"<a>&a\nb\x01;</a>", 3, "an '&' that begins no reference"},  // nothing of it quoted
      {"<a>&aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa;</a>", 3, "an '&' that begins no reference"},
      {"<a b=c/>", 5, "without quotes"},
      {"<a b='1' b='2'/>", 9, "the attribute 'b' twice"},
      {"<a b='1'c='2'/>", 8, "no space before an attribute"},
      {"<a b='<'/>", 6, "a '<' in an attribute value"},
      {"<a>", 3, "the part ends inside the element 'a'"},
      {"<!DOCTYPE a><a/>", 0, "document type declaration"},
      {"<a/><b/>", 4, "a second root element"},
      {"text<a/>", 0, "text outside the root element"},
      {"<a>]]></a>", 3, "']]>' in text"},
      {"<a><!-- x -- y --></a>", 10, "'--' inside a comment"},
      {"<a><!-- x", 3, "a comment that is never closed"},
      {"<a>< b/></a>", 3, "a '<' that begins no tag"},
      {"<a></ a></a>", 3, "a malformed end tag"},
      {"</a>", 0, "closes no element"},
  };
  for (const auto& fault : faults) {
    std::optional<XmlError> error;
    Tokens(fault.xml, &error);
    ASSERT_TRUE(error.has_value()) << fault.xml;
    EXPECT_EQ(error->byte_offset, fault.offset) << fault.xml << ": " << error->message;
    EXPECT_NE(error->message.find(fault.said), std::string::npos)
        << fault.xml << ": " << error->message;
  }
}

TEST(XmlScanner, ReferencesResolveAndTextEscapes) {
  const std::pair<std::string, std::string> cases[] = {
      {"a &amp; b &lt;c&gt; &quot;d&apos;", "a & b <c> \"d'"},
      {"&#x0D15;&#3381;", "\xE0\xB4\x95\xE0\xB4\xB5"},  // KA, VA
      {"&#x1F600;", "\xF0\x9F\x98\x80"},
      {"plain", "plain"},
  };
  for (const auto& [written, text] : cases) {
    EXPECT_EQ(XmlUnescape(written), text) << written;
    EXPECT_EQ(XmlUnescape(XmlEscape(text)), text) << written;
    EXPECT_EQ(XmlUnescape(XmlEscape(text, true)), text) << written;
  }
  EXPECT_EQ(XmlEscape("<a & \"b\">"), "&lt;a &amp; \"b\"&gt;");
  EXPECT_EQ(XmlEscape("\"", true), "&quot;");
}

}  // namespace
}  // namespace lipimattam
