// A part's elements as a tree over its bytes: each element knows where its tags and its
// content lie, its namespace and its attributes, so that the rules can walk a document and
// edits can be spliced into the original bytes (XmlEdits), leaving every other byte as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "documents/xml_scanner.h"

namespace lipimattam {

inline constexpr std::uint32_t kNoNode = UINT32_MAX;

struct XmlName {
  std::string_view space;  // the namespace's URI; empty for none
  std::string_view local;
};

struct XmlNodeAttribute {
  XmlName name;
  std::string_view qualified;  // as written, with its prefix
  std::string_view value;      // as written, references unresolved
};

struct XmlNode {
  bool is_text = false;  // character data (text or CDATA) rather than an element
  bool is_cdata = false;
  XmlName name;             // of an element
  std::string_view prefix;  // of an element, as written ("w" in <w:t>)
  std::size_t begin = 0;    // the element's bytes, tags included, or the text's: [begin, end)
  std::size_t end = 0;
  std::size_t content_begin = 0;      // between the start tag and the end tag; for an empty tag,
  std::size_t content_end = 0;        // both are `end`
  std::uint32_t first_attribute = 0;  // the element's attributes in the tree's list
  std::uint32_t attribute_count = 0;
  std::uint32_t parent = kNoNode;
  std::uint32_t first_child = kNoNode;
  std::uint32_t next_sibling = kNoNode;
};

class XmlTree {
 public:
  // The tree of a well-formed part, or the scanner's first fault; an unbound prefix is one.
  static std::variant<XmlTree, XmlError> Parse(std::string_view xml);

  [[nodiscard]] std::string_view Xml() const { return xml_; }
  [[nodiscard]] std::uint32_t Root() const { return root_; }
  [[nodiscard]] const XmlNode& operator[](std::uint32_t index) const { return nodes_[index]; }

  // An element's attributes, namespace declarations left out.
  [[nodiscard]] std::span<const XmlNodeAttribute> Attributes(std::uint32_t element) const {
    const XmlNode& node = nodes_[element];
    return {attributes_.data() + node.first_attribute, node.attribute_count};
  }
  // The value of an attribute as written, or nothing.
  [[nodiscard]] std::optional<std::string_view> Attribute(std::uint32_t element,
                                                          std::string_view space,
                                                          std::string_view local) const;
  // The element's first child element with this name, or kNoNode.
  [[nodiscard]] std::uint32_t Child(std::uint32_t element, std::string_view space,
                                    std::string_view local) const;
  // The element's child elements in order.
  [[nodiscard]] std::vector<std::uint32_t> ChildElements(std::uint32_t element) const;
  // The bytes of a node, or of an element's start tag.
  [[nodiscard]] std::string_view Bytes(std::uint32_t node) const;
  [[nodiscard]] std::string_view StartTag(std::uint32_t element) const;
  [[nodiscard]] bool IsEmptyTag(std::uint32_t element) const;
  // The text an element holds, all of its character data joined, references resolved.
  [[nodiscard]] std::string Text(std::uint32_t element) const;

 private:
  std::string_view xml_;
  std::vector<XmlNode> nodes_;
  std::vector<XmlNodeAttribute> attributes_;
  std::uint32_t root_ = kNoNode;
};

[[nodiscard]] inline bool Is(const XmlNode& node, std::string_view space, std::string_view local) {
  return !node.is_text && node.name.local == local && node.name.space == space;
}

// Byte ranges of a part to replace, applied all at once. Edits may not overlap; insertions at
// one offset keep the order they were made in.
class XmlEdits {
 public:
  void Replace(std::size_t begin, std::size_t end, std::string bytes);
  void Insert(std::size_t at, std::string bytes) { Replace(at, at, std::move(bytes)); }
  [[nodiscard]] bool Empty() const { return edits_.empty(); }
  // The edited part; throws std::logic_error if two edits overlap.
  [[nodiscard]] std::string Apply(std::string_view original) const;

 private:
  struct Edit {
    std::size_t begin;
    std::size_t end;
    std::string bytes;
  };
  std::vector<Edit> edits_;
};

}  // namespace lipimattam
