// A scanner for the XML of office documents (WordprocessingML, OpenDocument): it splits a
// part's bytes into tokens that tile them exactly, each with its byte offsets, so that an edit
// replaces a token's bytes and leaves every other byte as it was. It checks what a change of
// text relies on (names, quoting, entities, nesting) and reports the first fault with its byte
// offset. No DTD is read: a document type declaration is refused, as office files have none.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lipimattam {

enum class XmlTokenKind {
  kStartTag,     // <name attributes>
  kEmptyTag,     // <name attributes/>
  kEndTag,       // </name>
  kText,         // character data, entities as written
  kCData,        // <![CDATA[...]]>
  kComment,      // <!--...-->
  kInstruction,  // <?target ...?>, the XML declaration among them
};

struct XmlAttribute {
  std::string_view name;
  std::string_view value;  // as written between the quotes, entities unresolved
  std::size_t value_offset = 0;
};

struct XmlToken {
  XmlTokenKind kind = XmlTokenKind::kText;
  std::size_t begin = 0;  // byte offsets in the part: [begin, end)
  std::size_t end = 0;
  std::string_view name;  // of a tag or an instruction's target
  std::vector<XmlAttribute> attributes;
  std::string_view text;  // of text and CDATA, as written
};

struct XmlError {
  std::size_t byte_offset = 0;
  std::string message;  // what is wrong there
};

// Reads the tokens of `xml` one at a time. After the last token, or after an error, Next
// gives nothing more.
class XmlScanner {
 public:
  explicit XmlScanner(std::string_view xml) : xml_(xml) {}

  // The next token in `token`: true, or false at the end of the part. A fault is kept in
  // Error() and ends the scan; the end of the part with elements still open is one.
  [[nodiscard]] bool Next(XmlToken& token);
  [[nodiscard]] const std::optional<XmlError>& Error() const { return error_; }

 private:
  bool Fail(std::size_t at, std::string message);
  bool ReadTag(XmlToken& token);
  bool ReadEndTag(XmlToken& token);
  bool ReadUntil(XmlToken& token, XmlTokenKind kind, std::size_t skip, std::string_view close);
  bool ReadInstruction(XmlToken& token);
  bool ReadText(XmlToken& token);
  std::size_t ReadName(std::size_t at) const;  // the end of a name starting at `at`
  std::size_t SkipSpace(std::size_t at) const;
  bool CheckReferences(std::string_view text, std::size_t offset);

  std::string_view xml_;
  std::size_t at_ = 0;
  std::vector<std::string_view> open_;  // the elements open, innermost last
  bool root_closed_ = false;            // the root element has ended: nothing may follow
  std::optional<XmlError> error_;
  bool done_ = false;
};

// Character data or an attribute value as written, with its entity and character references
// resolved, in UTF-8. The scanner has checked the references.
[[nodiscard]] std::string XmlUnescape(std::string_view written);

// UTF-8 text as character data: &, <, > and CR written as references (and " in attributes).
[[nodiscard]] std::string XmlEscape(std::string_view text, bool in_attribute = false);

}  // namespace lipimattam
