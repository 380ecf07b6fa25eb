// The document rules on parts held in memory: which text is converted, how runs are cut and
// formatted, and what is reported. Expected text comes from the engine's own conversion of the
// same characters, so these tests check the documents' handling, not the tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>

#include "documents/document.h"
#include "documents/text_units.h"
#include "documents/xml_tree.h"
#include "tests/document_parts.h"
#include "tests/test_text.h"

namespace lipimattam {
namespace {

using testing::Docx;
using testing::Odt;

struct Converted {
  PartsConversion result;
  std::map<std::string, std::string> parts;  // every part, as it is after the conversion
};

Converted Convert(DocumentFormat format, std::map<std::string, std::string> parts,
                  const DocumentOptions& options = {}) {
  Converted converted;
  converted.result = ConvertDocumentParts(format, ReadPartsOf(parts), options);
  for (const auto& [name, bytes] : converted.result.changed) parts[name] = bytes;
  converted.parts = std::move(parts);
  return converted;
}

// The text of each paragraph of a part (w:p, text:p, text:h), deleted text too.
std::vector<std::string> Paragraphs(const std::string& xml) {
  auto parsed = XmlTree::Parse(xml);
  EXPECT_TRUE(std::holds_alternative<XmlTree>(parsed)) << xml;
  if (!std::holds_alternative<XmlTree>(parsed)) return {};
  const XmlTree& tree = std::get<XmlTree>(parsed);
  std::vector<std::string> paragraphs;
  const auto walk = [&](const auto& self, std::uint32_t node, std::string* text) -> void {
    for (std::uint32_t child = tree[node].first_child; child != kNoNode;
         child = tree[child].next_sibling) {
      const XmlNode& n = tree[child];
      const std::string_view local = n.name.local;
      if (!n.is_text && (local == "p" || local == "h")) {
        paragraphs.emplace_back();
        const std::size_t index = paragraphs.size() - 1;
        std::string own;
        self(self, child, &own);
        paragraphs[index] = own;
      } else if (n.is_text && text != nullptr &&
                 (tree[node].name.local == "t" || tree[node].name.local == "delText" ||
                  tree[node].name.local == "p" || tree[node].name.local == "h" ||
                  tree[node].name.local == "span")) {
        *text += XmlUnescape(tree.Bytes(child));
      } else if (!n.is_text) {
        self(self, child, text);
      }
    }
  };
  walk(walk, tree.Root(), nullptr);
  return paragraphs;
}

std::string ToUnicode(const std::string& codes) {
  return ToUtf8(ConvertToUnicode(ToUtf16(codes)).text);
}
std::string ToMlTt(const std::string& text) {
  return ToUtf8(ConvertText(ToUtf16(text)));
}

std::string MlTtRun(const std::string& font, const std::string& codes) {
  return R"(<w:r><w:rPr><w:rFonts w:ascii=")" + font + R"(" w:hAnsi=")" + font +
         R"("/></w:rPr><w:t xml:space="preserve">)" + codes + "</w:t></w:r>";
}

// Codes of "കേരളം ക്ഷേത്രം": pre-base signs, a conjunct, a RA sign.
constexpr const char* kCodes = "tIcfw t\u00A3{Xw";

struct FontCase {
  const char* what;
  std::string body;
  std::string styles;
  bool converted;
};

class DocxFonts : public ::testing::TestWithParam<FontCase> {};

TEST_P(DocxFonts, TextIsConvertedWhereItsEffectiveFontIsAnMlTtFont) {
  const FontCase& c = GetParam();
  DocumentOptions options;
  options.legacy_fonts = {"My Old Font"};
  const Converted converted = Convert(DocumentFormat::kDocx, Docx(c.body, c.styles), options);
  ASSERT_FALSE(converted.result.error) << converted.result.error->message;
  const std::vector<std::string> paragraphs = Paragraphs(converted.parts.at("word/document.xml"));
  ASSERT_EQ(paragraphs.size(), 1u);
  EXPECT_EQ(paragraphs[0], c.converted ? ToUnicode(kCodes) : std::string(kCodes));
}

const std::string kText = std::string(R"(<w:t xml:space="preserve">)") + kCodes + "</w:t>";
const std::string kPlainRun = "<w:r>" + kText + "</w:r>";
std::string Paragraph(const std::string& style, const std::string& runs) {
  return R"(<w:p><w:pPr><w:pStyle w:val=")" + style + R"("/></w:pPr>)" + runs + "</w:p>";
}
std::string Style(const std::string& type, const std::string& id, const std::string& inner) {
  return R"(<w:style w:type=")" + type + R"(" w:styleId=")" + id + R"(">)" + inner + "</w:style>";
}
const std::string kMlTtFonts =
    R"(<w:rPr><w:rFonts w:ascii="ML-TTRevathi" w:hAnsi="ML-TTRevathi"/></w:rPr>)";

INSTANTIATE_TEST_SUITE_P(
    Cases, DocxFonts,
    ::testing::Values(
        FontCase{"on the run", "<w:p>" + MlTtRun("ML-TTRevathi", kCodes) + "</w:p>", "", true},
        FontCase{"through basedOn", Paragraph("Child", kPlainRun),
                 Style("paragraph", "Child", R"(<w:basedOn w:val="Base"/>)") +
                     Style("paragraph", "Base", kMlTtFonts),
                 true},
        FontCase{"a character style",
                 R"(<w:p><w:r><w:rPr><w:rStyle w:val="Ml"/></w:rPr>)" + kText + "</w:r></w:p>",
                 Style("character", "Ml", kMlTtFonts), true},
        FontCase{"the theme",
                 R"(<w:p><w:r><w:rPr><w:rFonts w:asciiTheme="minorHAnsi" )"
                 R"(w:hAnsiTheme="minorHAnsi"/></w:rPr>)" +
                     kText + "</w:r></w:p>",
                 "", true},
        FontCase{"the document defaults", "<w:p>" + kPlainRun + "</w:p>",
                 "<w:docDefaults><w:rPrDefault>" + kMlTtFonts + "</w:rPrDefault></w:docDefaults>",
                 true},
        FontCase{"the default paragraph style", "<w:p>" + kPlainRun + "</w:p>",
                 R"(<w:style w:type="paragraph" w:default="1" w:styleId="Normal">)" + kMlTtFonts +
                     "</w:style>",
                 true},
        FontCase{"a table style",
                 R"(<w:tbl><w:tblPr><w:tblStyle w:val="Grid"/></w:tblPr><w:tr><w:tc><w:p>)" +
                     kPlainRun + "</w:p></w:tc></w:tr></w:tbl>",
                 Style("table", "Grid", kMlTtFonts), true},
        FontCase{"a font added by name", "<w:p>" + MlTtRun("MYOLDFONT", kCodes) + "</w:p>", "",
                 true},
        FontCase{"a style overridden by the run", Paragraph("Ml", MlTtRun("Arial", kCodes)),
                 Style("paragraph", "Ml", kMlTtFonts), false},
        FontCase{"another encoding", "<w:p>" + MlTtRun("ML-TTSurya-Normal", kCodes) + "</w:p>", "",
                 false},
        FontCase{"a Latin font", "<w:p>" + MlTtRun("Times New Roman", kCodes) + "</w:p>", "",
                 false}),
    testing::NameFromWhat());

TEST(DocxText, HiddenCodesSymbolsAndRunsSplitInsideSyllablesReadAsOneText) {
  // The codes of "കേരളം ക്ഷേത്രം" spread over a symbol, a private-use character, a soft hyphen
  // and runs cut inside clusters, with a field's instruction and a bookmark among them.
  const std::string body =
      "<w:p>" + MlTtRun("ML-TTRevathi", "t") +
      R"(<w:bookmarkStart w:id="0" w:name="b"/><w:r><w:sym w:font="ML-TTKarthika" w:char="F049"/></w:r>)" +
      MlTtRun("ML-TTRevathi", "\uF063fw t") + R"(<w:r><w:instrText> PAGE </w:instrText></w:r>)" +
      MlTtRun("ML-TTRevathi", "\u00A3") + MlTtRun("ML-TTRevathi", "{Xw") + "</w:p>" + "<w:p>" +
      R"(<w:r><w:rPr><w:rFonts w:ascii="ML-TTRevathi" w:hAnsi="ML-TTRevathi"/></w:rPr>)"
      R"(<w:t>c</w:t><w:softHyphen/><w:t>mw</w:t></w:r></w:p>)";
  const Converted converted = Convert(DocumentFormat::kDocx, Docx(body));
  ASSERT_FALSE(converted.result.error);
  const std::vector<std::string> paragraphs = Paragraphs(converted.parts.at("word/document.xml"));
  ASSERT_EQ(paragraphs.size(), 2u);
  // The instruction stays, and ends the text before it: each side reads alone.
  EXPECT_EQ(paragraphs[0], ToUnicode("tIcfw t") + ToUnicode("\u00A3{Xw"));
  EXPECT_EQ(paragraphs[1], ToUnicode("c\u00ADmw"));
  const std::string& document = converted.parts.at("word/document.xml");
  EXPECT_NE(document.find("<w:instrText> PAGE </w:instrText>"), std::string::npos);
  EXPECT_EQ(document.find("w:sym"), std::string::npos);
  EXPECT_EQ(document.find("softHyphen"), std::string::npos);
}

TEST(DocxText, ASymbolThatIsHalfASurrogatePairIsLeftAsItStands) {
  for (const std::string code : {"DB60", "DC00"}) {
    const std::string symbol = R"(<w:sym w:font="ML-TTRevathi" w:char=")" + code + R"("/>)";
    const std::string body = "<w:p>" + MlTtRun("ML-TTRevathi", "tIcfw") + "<w:r>" + symbol +
                             "</w:r>" + MlTtRun("ML-TTRevathi", "c") + "</w:p>";
    const Converted converted = Convert(DocumentFormat::kDocx, Docx(body));
    ASSERT_FALSE(converted.result.error) << code << ": " << converted.result.error->message;
    const std::string& document = converted.parts.at("word/document.xml");
    EXPECT_NE(document.find(symbol), std::string::npos) << code;
    EXPECT_EQ(Paragraphs(document).at(0), ToUnicode("tIcfw") + ToUnicode("c")) << code;
  }
}

TEST(DocxFormat, ConvertedRunsTakeTheUnicodeFontWhereTheOldOneWasSetWithComplexTwins) {
  const std::string styles = Style(
      "paragraph", "Heading",
      R"(<w:rPr><w:rFonts w:ascii="ML-TTRevathi" w:hAnsi="ML-TTRevathi"/><w:b/><w:sz w:val="36"/></w:rPr>)");
  const std::string unused = Style("paragraph", "Unused", kMlTtFonts);  // no text uses it
  const std::string body =
      R"(<w:p><w:pPr><w:rPr><w:rFonts w:ascii="ML-TTKarthika"/></w:rPr></w:pPr></w:p>)" +
      Paragraph("Heading", kPlainRun) +
      R"(<w:p><w:r><w:rPr><w:rStyle w:val="X"/><w:rFonts w:asciiTheme="minorHAnsi" w:ascii="ML-TTRevathi" w:hAnsi="ML-TTRevathi"/><w:i/><w:color w:val="FF0000"/><w:sz w:val="28"/></w:rPr>)" +
      kText + "</w:r></w:p>";
  DocumentOptions options;
  options.unicode_font = "Manjari";
  const Converted converted = Convert(DocumentFormat::kDocx, Docx(body, styles + unused), options);
  ASSERT_FALSE(converted.result.error);
  const std::string& out_styles = converted.parts.at("word/styles.xml");
  // A style and a paragraph mark that set the ML-TT font take the Unicode one, used or not.
  const std::string manjari = R"(<w:rFonts w:ascii="Manjari" w:hAnsi="Manjari" w:cs="Manjari"/>)";
  EXPECT_NE(out_styles.find(R"(w:styleId="Unused"><w:rPr>)" + manjari), std::string::npos);
  EXPECT_NE(converted.parts.at("word/document.xml").find("<w:pPr><w:rPr>" + manjari),
            std::string::npos);
  EXPECT_NE(out_styles.find(R"(<w:rFonts w:ascii="Manjari" w:hAnsi="Manjari" w:cs="Manjari"/>)"
                            R"(<w:b/><w:bCs/><w:sz w:val="36"/><w:szCs w:val="36"/>)"),
            std::string::npos)
      << out_styles;
  const std::string& document = converted.parts.at("word/document.xml");
  // The theme attribute that would win over the font goes; the twins follow the schema's order.
  EXPECT_NE(document.find(R"(<w:rStyle w:val="X"/><w:rFonts w:ascii="Manjari" w:hAnsi="Manjari")"
                          R"( w:cs="Manjari"/><w:i/><w:iCs/><w:color w:val="FF0000"/>)"
                          R"(<w:sz w:val="28"/><w:szCs w:val="28"/>)"),
            std::string::npos)
      << document;
  EXPECT_EQ(converted.result.summary.runs, 2u);
}

TEST(DocxFormat, UnicodeToMlTtSplitsRunsWhereTheScriptChangesAndCarriesComplexSizes) {
  const std::string body =
      R"(<w:p><w:r><w:rPr><w:b w:val="0"/><w:bCs/><w:sz w:val="22"/><w:szCs w:val="36"/></w:rPr>)"
      R"(<w:t xml:space="preserve">Kerala: കേരളം, ഇന്ത്യ (India)</w:t></w:r></w:p><w:p><w:r>)"
      R"(<w:rPr><w:b w:val="0"/><w:bCs/><w:sz w:val="22"/><w:szCs w:val="36"/></w:rPr><w:t>കേരളം)"
      R"(</w:t><w:t xml:space="preserve"> English</w:t></w:r></w:p>)";
  DocumentOptions options;
  options.direction = DocumentDirection::kToMlTt;
  const Converted converted = Convert(DocumentFormat::kDocx, Docx(body), options);
  ASSERT_FALSE(converted.result.error);
  const std::string& document = converted.parts.at("word/document.xml");
  const std::string latin =
      R"(<w:rPr><w:b w:val="0"/><w:bCs/><w:sz w:val="22"/><w:szCs w:val="36"/></w:rPr>)";
  const std::string ml_tt =
      R"(<w:rPr><w:rFonts w:ascii="ML-TTRevathi" w:hAnsi="ML-TTRevathi" w:cs="ML-TTRevathi"/>)"
      R"(<w:b/><w:bCs/><w:sz w:val="36"/><w:szCs w:val="36"/></w:rPr>)";
  EXPECT_EQ(document.substr(document.find("<w:p>")),
            "<w:p><w:r>" + latin + R"(<w:t xml:space="preserve">Kerala: </w:t></w:r><w:r>)" +
                ml_tt + "<w:t xml:space=\"preserve\">" + ToMlTt("കേരളം, ഇന്ത്യ") +
                "</w:t></w:r><w:r>" + latin +
                R"(<w:t xml:space="preserve"> (India)</w:t></w:r></w:p>)"
                // A text of its own after the Malayalam one goes back to the run as it was.
                R"(<w:p><w:r>)" +
                ml_tt + "<w:t>" + ToMlTt("കേരളം") + "</w:t></w:r><w:r>" + latin +
                R"(<w:t xml:space="preserve"> English</w:t></w:r></w:p>)"
                "</w:body></w:document>");
}

TEST(Documents, LegacyFontsOfOtherEncodingsAreNamedInTheSummary) {
  const std::string body = "<w:p>" + MlTtRun("ML-TTSurya-Normal", "abc") +
                           MlTtRun("ML-TTNotInTheList", "abc") + MlTtRun("Arial", "abc") + "</w:p>";
  const Converted converted = Convert(DocumentFormat::kDocx, Docx(body));
  EXPECT_EQ(converted.result.summary.fonts_left_alone,
            (std::vector<std::string>{"ML-TTNotInTheList", "ML-TTSurya-Normal"}));
  EXPECT_EQ(converted.result.summary.runs, 0u);
  EXPECT_TRUE(converted.result.changed.empty());
}

TEST(Documents, FaultsNameThePartAndTheByte) {
  struct Case {
    DocumentFormat format;
    std::map<std::string, std::string> parts;
    std::string part;
    std::optional<std::size_t> offset;
  };
  auto broken = Docx("<w:p><w:r><w:t>a</w:r></w:p>");
  auto no_main = Docx("");
  no_main.erase("_rels/.rels");
  auto invalid_utf8 = Odt("<text:p>\xC3</text:p>", "");
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<w:sdt>";
  auto nested = Docx(deep);  // left open: the depth is refused first
  const Case cases[] = {
      {DocumentFormat::kDocx, broken, "word/document.xml",
       broken["word/document.xml"].find("</w:r>")},
      {DocumentFormat::kDocx, no_main, "_rels/.rels", std::nullopt},
      {DocumentFormat::kOdt, invalid_utf8, "content.xml", invalid_utf8["content.xml"].find('\xC3')},
      {DocumentFormat::kOdt, {{"styles.xml", "<x/>"}}, "content.xml", std::nullopt},
      {DocumentFormat::kDocx, nested, "word/document.xml",
       nested["word/document.xml"].find("<w:sdt>") + std::size_t{7} * (1000 - 2)},
  };
  for (const Case& c : cases) {
    const Converted converted = Convert(c.format, c.parts);
    ASSERT_TRUE(converted.result.error);
    EXPECT_EQ(converted.result.error->part, c.part) << converted.result.error->message;
    EXPECT_EQ(converted.result.error->byte_offset, c.offset) << converted.result.error->message;
    EXPECT_TRUE(converted.result.changed.empty());
  }
}

TEST(OdtText, FontsResolveThroughFacesParentsAndNestedSpans) {
  const std::string common =
      R"(<style:style style:name="Ml" style:family="paragraph"><style:text-properties )"
      R"(style:font-name="Revathi1" fo:font-weight="bold"/></style:style>)"
      R"(<style:style style:name="Child" style:family="paragraph" style:parent-style-name="Ml"/>)";
  const std::string automatic =
      R"(<style:style style:name="Latin" style:family="text"><style:text-properties )"
      R"(fo:font-family="'Liberation Serif'"/></style:style>)"
      R"(<style:style style:name="Back" style:family="text"><style:text-properties )"
      R"(fo:font-family="ML-Revathi"/></style:style>)";
  // ML-TT through the parent's face; Latin in a span; ML-TT again in a span inside it, as the
  // Mac version's characters (∂ is 0xB6).
  const std::string body = std::string(R"(<text:p text:style-name="Child">tIc)") +
                           R"(<text:span text:style-name="Latin">Kerala <text:span )"
                           R"(text:style-name="Back">)"
                           "\u2202"
                           "</text:span></text:span>fw</text:p>";
  const Converted converted = Convert(DocumentFormat::kOdt, Odt(body, automatic, common));
  ASSERT_FALSE(converted.result.error) << converted.result.error->message;
  const std::vector<std::string> paragraphs = Paragraphs(converted.parts.at("content.xml"));
  ASSERT_EQ(paragraphs.size(), 1u);
  EXPECT_EQ(paragraphs[0], ToUnicode("tIc") + "Kerala " + ToUnicode("\u00B6") + ToUnicode("fw"));
  const std::string& styles = converted.parts.at("styles.xml");
  EXPECT_NE(styles.find(R"(<style:text-properties style:font-name="AnjaliOldLipi" )"
                        R"(fo:font-weight="bold" style:font-name-complex="AnjaliOldLipi" )"
                        R"(style:font-weight-complex="bold"/>)"),
            std::string::npos)
      << styles;
  EXPECT_NE(styles.find(R"(<style:font-face style:name="AnjaliOldLipi")"), std::string::npos);
}

TEST(OdtText, UnicodeToMlTtWrapsMalayalamInSpansOfTheMlTtFont) {
  const std::string automatic =
      R"(<style:style style:name="P1" style:family="paragraph"><style:text-properties )"
      R"(fo:font-size="11pt" style:font-size-complex="16pt"/></style:style>)";
  const std::string body =
      R"(<text:p text:style-name="P1">Kerala <text:s/>കേരളം &amp; ഇന്ത്യ.</text:p>)";
  DocumentOptions options;
  options.direction = DocumentDirection::kToMlTt;
  const Converted converted = Convert(DocumentFormat::kOdt, Odt(body, automatic), options);
  ASSERT_FALSE(converted.result.error);
  const std::string& content = converted.parts.at("content.xml");
  EXPECT_NE(content.find(R"(<style:style style:name="Lipimattam1" style:family="text">)"
                         R"(<style:text-properties style:font-name="ML-TTRevathi" )"
                         R"(fo:font-size="16pt"/></style:style>)"),
            std::string::npos)
      << content;
  // The full stop ends the sentence, not a stretch between Malayalam words: it keeps its font.
  EXPECT_NE(content.find(R"(Kerala <text:s/><text:span text:style-name="Lipimattam1">)" +
                         XmlEscape(ToMlTt("കേരളം & ഇന്ത്യ")) + "</text:span>.</text:p>"),
            std::string::npos)
      << content;
  EXPECT_NE(content.find(R"(<style:font-face style:name="ML-TTRevathi")"), std::string::npos);
}

// Unicode paragraphs cut into runs at random places with random formats, converted into ML-TT
// and back, read as the plain text's round trip does: cutting never changes the text.
TEST(Documents, RunsCutAnywhereConvertAsTheWholeParagraph) {
  const std::vector<std::string> words = {"കേരളം", "ക്ഷേത്രം", "സ്ത്രീ", "പുസ്തകങ്ങൾ", "ഇന്ത്യ",
                                          "കൈ",    "കൊ",     "ക്യോ",  "ന്ന",      "ര്‍",
                                          "2024",  "city",   ",",    "മലയാളം"};
  std::mt19937 random(11);
  for (int round = 0; round < 60; ++round) {
    std::string body;
    std::vector<std::string> texts;
    for (int p = 0; p < 4; ++p) {
      std::u16string text;
      for (int w = 0; w < 6; ++w) text += ToUtf16(words[random() % words.size()] + " ");
      texts.push_back(ToUtf8(text));
      body += "<w:p>";
      for (std::size_t at = 0; at < text.size();) {
        std::size_t end = std::min(text.size(), at + 1 + random() % 5);
        if (end < text.size() && (text[end] & 0xFC00) == 0xDC00) ++end;
        const std::string format = random() % 2 == 0 ? "<w:b/>" : R"(<w:sz w:val="30"/>)";
        body += "<w:r><w:rPr>" + format + R"(</w:rPr><w:t xml:space="preserve">)" +
                ToUtf8(text.substr(at, end - at)) + "</w:t></w:r>";
        at = end;
      }
      body += "</w:p>";
    }
    DocumentOptions to_ml_tt;
    to_ml_tt.direction = DocumentDirection::kToMlTt;
    const Converted there = Convert(DocumentFormat::kDocx, Docx(body), to_ml_tt);
    ASSERT_FALSE(there.result.error);
    const Converted back = Convert(DocumentFormat::kDocx, there.parts);
    ASSERT_FALSE(back.result.error);
    const std::vector<std::string> paragraphs = Paragraphs(back.parts.at("word/document.xml"));
    ASSERT_EQ(paragraphs.size(), texts.size());
    for (std::size_t p = 0; p < texts.size(); ++p) {
      // Only the Malayalam stretches went there and back; what stands between them stays.
      const std::u16string there_text = ToUtf16(Paragraphs(there.parts.at("word/document.xml"))[p]);
      EXPECT_TRUE(std::none_of(there_text.begin(), there_text.end(), [](char16_t unit) {
        return ClassOf(unit) == ScriptClass::kMalayalam;
      }));
      std::string expected;
      std::u16string text = ToUtf16(texts[p]);
      std::vector<ScriptClass> classes;
      for (const char16_t unit : text) classes.push_back(ClassOf(unit));
      const std::vector<bool> malayalam = MalayalamStretches(classes);
      for (std::size_t at = 0; at < text.size();) {
        std::size_t end = at;
        while (end < text.size() && malayalam[end] == malayalam[at]) ++end;
        const std::u16string part = text.substr(at, end - at);
        expected += malayalam[at] ? ToUnicode(ToMlTt(ToUtf8(part))) : ToUtf8(part);
        at = end;
      }
      EXPECT_EQ(paragraphs[p], expected) << texts[p];
    }
  }
}

}  // namespace
}  // namespace lipimattam
