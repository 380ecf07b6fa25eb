#include "documents/xml_tree.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

namespace lipimattam {
namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
// Office documents nest a few dozen elements deep; the rules walk the tree recursively, so a
// part nested deeper is refused rather than allowed to exhaust the stack.
constexpr std::size_t kMaxDepth = 1000;

struct Binding {
  std::string_view prefix;  // empty for the default namespace
  std::string_view space;
  std::size_t depth;
};

std::pair<std::string_view, std::string_view> SplitName(std::string_view qualified) {
  const std::size_t colon = qualified.find(':');
  if (colon == std::string_view::npos) return {{}, qualified};
  return {qualified.substr(0, colon), qualified.substr(colon + 1)};
}

std::optional<std::string_view> Lookup(const std::vector<Binding>& bindings,
                                       std::string_view prefix) {
  if (prefix == "xml") return kXmlNamespace;
  for (auto binding = bindings.rbegin(); binding != bindings.rend(); ++binding)
    if (binding->prefix == prefix) return binding->space;
  if (prefix.empty()) return std::string_view();
  return std::nullopt;
}

}  // namespace

std::variant<XmlTree, XmlError> XmlTree::Parse(std::string_view xml) {
  XmlTree tree;
  tree.xml_ = xml;
  XmlScanner scanner(xml);
  XmlToken token;
  std::vector<Binding> bindings;
  std::vector<std::uint32_t> open;  // the elements open, innermost last
  std::vector<std::uint32_t> last_child;
  const auto add = [&tree, &open, &last_child](XmlNode node) {
    const auto index = static_cast<std::uint32_t>(tree.nodes_.size());
    if (!open.empty()) {
      node.parent = open.back();
      if (last_child.back() == kNoNode) {
        tree.nodes_[open.back()].first_child = index;
      } else {
        tree.nodes_[last_child.back()].next_sibling = index;
      }
      last_child.back() = index;
    }
    tree.nodes_.push_back(node);
    return index;
  };
  while (scanner.Next(token)) {
    switch (token.kind) {
      case XmlTokenKind::kStartTag:
      case XmlTokenKind::kEmptyTag: {
        for (const XmlAttribute& attribute : token.attributes) {
          if (attribute.name == "xmlns") {
            bindings.push_back({{}, attribute.value, open.size()});
          } else if (attribute.name.substr(0, 6) == "xmlns:") {
            bindings.push_back({attribute.name.substr(6), attribute.value, open.size()});
          }
        }
        XmlNode node;
        const auto [prefix, local] = SplitName(token.name);
        const auto space = Lookup(bindings, prefix);
        if (!space)
          return XmlError{token.begin, "the prefix '" + std::string(prefix) + "' is not bound"};
        node.name = {*space, local};
        node.prefix = prefix;
        node.begin = token.begin;
        node.end = node.content_begin = node.content_end = token.end;
        node.first_attribute = static_cast<std::uint32_t>(tree.attributes_.size());
        for (const XmlAttribute& attribute : token.attributes) {
          const auto [attribute_prefix, attribute_local] = SplitName(attribute.name);
          if (attribute.name == "xmlns" || attribute_prefix == "xmlns") continue;
          std::string_view attribute_space;
          if (!attribute_prefix.empty()) {
            const auto bound = Lookup(bindings, attribute_prefix);
            if (!bound)
              return XmlError{attribute.value_offset,
                              "the prefix '" + std::string(attribute_prefix) + "' is not bound"};
            attribute_space = *bound;
          }
          tree.attributes_.push_back(
              {{attribute_space, attribute_local}, attribute.name, attribute.value});
          ++node.attribute_count;
        }
        const std::uint32_t index = add(node);
        if (open.empty() && tree.root_ == kNoNode) tree.root_ = index;
        if (token.kind == XmlTokenKind::kStartTag) {
          if (open.size() >= kMaxDepth)
            return XmlError{token.begin,
                            "elements nested more than " + std::to_string(kMaxDepth) + " deep"};
          open.push_back(index);
          last_child.push_back(kNoNode);
        } else {
          while (!bindings.empty() && bindings.back().depth == open.size()) bindings.pop_back();
        }
        break;
      }
      case XmlTokenKind::kEndTag: {
        XmlNode& node = tree.nodes_[open.back()];
        node.content_end = token.begin;
        node.end = token.end;
        open.pop_back();
        last_child.pop_back();
        while (!bindings.empty() && bindings.back().depth == open.size()) bindings.pop_back();
        break;
      }
      case XmlTokenKind::kText:
      case XmlTokenKind::kCData: {
        if (open.empty()) break;  // space around the root element
        XmlNode node;
        node.is_text = true;
        node.is_cdata = token.kind == XmlTokenKind::kCData;
        node.begin = node.content_begin = token.begin;
        node.end = node.content_end = token.end;
        add(node);
        break;
      }
      case XmlTokenKind::kComment:
      case XmlTokenKind::kInstruction:
        break;
    }
  }
  if (scanner.Error()) return *scanner.Error();
  if (tree.root_ == kNoNode) return XmlError{0, "no root element"};
  return tree;
}

std::optional<std::string_view> XmlTree::Attribute(std::uint32_t element, std::string_view space,
                                                   std::string_view local) const {
  for (const XmlNodeAttribute& attribute : Attributes(element))
    if (attribute.name.local == local && attribute.name.space == space) return attribute.value;
  return std::nullopt;
}

std::uint32_t XmlTree::Child(std::uint32_t element, std::string_view space,
                             std::string_view local) const {
  for (std::uint32_t child = nodes_[element].first_child; child != kNoNode;
       child = nodes_[child].next_sibling)
    if (Is(nodes_[child], space, local)) return child;
  return kNoNode;
}

std::vector<std::uint32_t> XmlTree::ChildElements(std::uint32_t element) const {
  std::vector<std::uint32_t> children;
  for (std::uint32_t child = nodes_[element].first_child; child != kNoNode;
       child = nodes_[child].next_sibling)
    if (!nodes_[child].is_text) children.push_back(child);
  return children;
}

std::string_view XmlTree::Bytes(std::uint32_t node) const {
  return xml_.substr(nodes_[node].begin, nodes_[node].end - nodes_[node].begin);
}

std::string_view XmlTree::StartTag(std::uint32_t element) const {
  const XmlNode& node = nodes_[element];
  if (IsEmptyTag(element)) return Bytes(element);
  // The start tag ends where the content begins.
  return xml_.substr(node.begin, node.content_begin - node.begin);
}

bool XmlTree::IsEmptyTag(std::uint32_t element) const {
  const XmlNode& node = nodes_[element];
  return !node.is_text && node.content_begin == node.end;
}

std::string XmlTree::Text(std::uint32_t element) const {
  std::string text;
  const auto walk = [this, &text](const auto& self, std::uint32_t node) -> void {
    for (std::uint32_t child = nodes_[node].first_child; child != kNoNode;
         child = nodes_[child].next_sibling) {
      const XmlNode& n = nodes_[child];
      if (!n.is_text) {
        self(self, child);
      } else if (n.is_cdata) {
        text += xml_.substr(n.begin + 9, n.end - n.begin - 12);
      } else {
        text += XmlUnescape(xml_.substr(n.begin, n.end - n.begin));
      }
    }
  };
  walk(walk, element);
  return text;
}

void XmlEdits::Replace(std::size_t begin, std::size_t end, std::string bytes) {
  edits_.push_back({begin, end, std::move(bytes)});
}

std::string XmlEdits::Apply(std::string_view original) const {
  std::vector<const Edit*> order;
  order.reserve(edits_.size());
  for (const Edit& edit : edits_) order.push_back(&edit);
  std::stable_sort(order.begin(), order.end(),
                   [](const Edit* a, const Edit* b) { return a->begin < b->begin; });
  std::string out;
  out.reserve(original.size() + original.size() / 8);
  std::size_t at = 0;
  for (const Edit* edit : order) {
    if (edit->begin < at || edit->end > original.size())
      throw std::logic_error("overlapping edits of an XML part");
    out.append(original.substr(at, edit->begin - at));
    out.append(edit->bytes);
    at = edit->end;
  }
  out.append(original.substr(at));
  return out;
}

}  // namespace lipimattam
