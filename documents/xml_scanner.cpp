#include "documents/xml_scanner.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace lipimattam {
namespace {

constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Names of office XML: ASCII letters, digits and . - _ : , and any byte of a multi-byte UTF-8
// character; no digit, '.' or '-' first.
constexpr bool IsNameByte(char c, bool first) {
  const auto byte = static_cast<unsigned char>(c);
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || byte >= 0x80)
    return true;
  return !first && ((c >= '0' && c <= '9') || c == '.' || c == '-');
}

// The code point of a character reference's digits, or nothing when they name none.
std::optional<char32_t> CharacterReference(std::string_view digits) {
  const bool hex = !digits.empty() && digits.front() == 'x';
  if (hex) digits.remove_prefix(1);
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : digits) {
    std::uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * (hex ? 16 : 10) + digit;
  }
  const bool allowed = value == 0x9 || value == 0xA || value == 0xD ||
                       (value >= 0x20 && value <= 0xD7FF) || (value >= 0xE000 && value <= 0xFFFD) ||
                       (value >= 0x10000 && value <= 0x10FFFF);
  if (!allowed) return std::nullopt;
  return static_cast<char32_t>(value);
}

// The character a predefined entity stands for, or 0.
char NamedEntity(std::string_view name) {
  if (name == "amp") return '&';
  if (name == "lt") return '<';
  if (name == "gt") return '>';
  if (name == "quot") return '"';
  if (name == "apos") return '\'';
  return 0;
}

void AppendUtf8(std::string& out, char32_t code_point) {
  const auto put = [&out](std::uint32_t byte) { out += static_cast<char>(byte); };
  const auto value = static_cast<std::uint32_t>(code_point);
  if (value < 0x80) {
    put(value);
  } else if (value < 0x800) {
    put(0xC0 | (value >> 6));
    put(0x80 | (value & 0x3F));
  } else if (value < 0x10000) {
    put(0xE0 | (value >> 12));
    put(0x80 | ((value >> 6) & 0x3F));
    put(0x80 | (value & 0x3F));
  } else {
    put(0xF0 | (value >> 18));
    put(0x80 | ((value >> 12) & 0x3F));
    put(0x80 | ((value >> 6) & 0x3F));
    put(0x80 | (value & 0x3F));
  }
}

}  // namespace

bool XmlScanner::Fail(std::size_t at, std::string message) {
  error_ = XmlError{at, std::move(message)};
  done_ = true;
  return false;
}

std::size_t XmlScanner::ReadName(std::size_t at) const {
  std::size_t end = at;
  while (end < xml_.size() && IsNameByte(xml_[end], end == at)) ++end;
  return end;
}

std::size_t XmlScanner::SkipSpace(std::size_t at) const {
  while (at < xml_.size() && IsSpace(xml_[at])) ++at;
  return at;
}

bool XmlScanner::CheckReferences(std::string_view text, std::size_t offset) {
  for (std::size_t i = text.find('&'); i != std::string_view::npos; i = text.find('&', i + 1)) {
    const std::size_t semicolon = text.find(';', i);
    if (semicolon == std::string_view::npos)
      return Fail(offset + i, "an '&' that begins no reference");
    const std::string_view name = text.substr(i + 1, semicolon - i - 1);
    const bool known = name.empty()     ? false
                       : name[0] == '#' ? CharacterReference(name.substr(1)).has_value()
                                        : NamedEntity(name) != 0;
    if (known) continue;
    // Only what has the form of a reference is quoted, and only a short one: the message never
    // carries control bytes or a long stretch of the part.
    constexpr std::size_t kLongestQuoted = 32;
    const std::string_view body = !name.empty() && name[0] == '#' ? name.substr(1) : name;
    const bool has_form =
        !body.empty() && name.size() <= kLongestQuoted &&
        std::all_of(body.begin(), body.end(), [](char c) { return IsNameByte(c, false); });
    if (!has_form) return Fail(offset + i, "an '&' that begins no reference");
    return Fail(offset + i, "an unknown reference '&" + std::string(name) + ";'");
  }
  return true;
}

bool XmlScanner::Next(XmlToken& token) {
  if (done_) return false;
  token = XmlToken{};
  token.begin = at_;
  if (at_ >= xml_.size()) {
    done_ = true;
    if (!open_.empty())
      return Fail(xml_.size(),
                  "the part ends inside the element '" + std::string(open_.back()) + "'");
    return false;
  }
  if (xml_[at_] != '<') return ReadText(token);
  const std::string_view rest = xml_.substr(at_);
  if (rest.substr(0, 4) == "<!--") return ReadUntil(token, XmlTokenKind::kComment, 4, "-->");
  if (rest.substr(0, 9) == "<![CDATA[") {
    if (open_.empty()) return Fail(at_, "character data outside the root element");
    return ReadUntil(token, XmlTokenKind::kCData, 9, "]]>");
  }
  if (rest.substr(0, 2) == "<!")
    return Fail(at_, "a document type declaration, which office parts do not have");
  if (rest.substr(0, 2) == "<?") return ReadInstruction(token);
  if (rest.substr(0, 2) == "</") return ReadEndTag(token);
  return ReadTag(token);
}

bool XmlScanner::ReadText(XmlToken& token) {
  std::size_t end = xml_.find('<', at_);
  if (end == std::string_view::npos) end = xml_.size();
  token.kind = XmlTokenKind::kText;
  token.text = xml_.substr(at_, end - at_);
  if (open_.empty()) {
    for (std::size_t i = 0; i < token.text.size(); ++i)
      if (!IsSpace(token.text[i])) return Fail(at_ + i, "text outside the root element");
  }
  const std::size_t closing = token.text.find("]]>");
  if (closing != std::string_view::npos) return Fail(at_ + closing, "']]>' in text");
  if (!CheckReferences(token.text, at_)) return false;
  at_ = token.end = end;
  return true;
}

bool XmlScanner::ReadUntil(XmlToken& token, XmlTokenKind kind, std::size_t skip,
                           std::string_view close) {
  const std::size_t end = xml_.find(close, at_ + skip);
  if (end == std::string_view::npos)
    return Fail(at_, kind == XmlTokenKind::kComment ? "a comment that is never closed"
                                                    : "a CDATA section that is never closed");
  token.kind = kind;
  token.text = xml_.substr(at_ + skip, end - at_ - skip);
  if (kind == XmlTokenKind::kComment && token.text.find("--") != std::string_view::npos)
    return Fail(at_ + skip + token.text.find("--"), "'--' inside a comment");
  at_ = token.end = end + close.size();
  return true;
}

bool XmlScanner::ReadInstruction(XmlToken& token) {
  const std::size_t name_end = ReadName(at_ + 2);
  if (name_end == at_ + 2) return Fail(at_ + 2, "an instruction without a target");
  const std::size_t end = xml_.find("?>", name_end);
  if (end == std::string_view::npos) return Fail(at_, "an instruction that is never closed");
  token.kind = XmlTokenKind::kInstruction;
  token.name = xml_.substr(at_ + 2, name_end - at_ - 2);
  token.text = xml_.substr(name_end, end - name_end);
  at_ = token.end = end + 2;
  return true;
}

bool XmlScanner::ReadEndTag(XmlToken& token) {
  const std::size_t name_end = ReadName(at_ + 2);
  token.kind = XmlTokenKind::kEndTag;
  token.name = xml_.substr(at_ + 2, name_end - at_ - 2);
  const std::size_t close = SkipSpace(name_end);
  if (token.name.empty() || close >= xml_.size() || xml_[close] != '>')
    return Fail(at_, "a malformed end tag");
  if (open_.empty() || open_.back() != token.name)
    return Fail(at_, "the end tag '" + std::string(token.name) + "' closes " +
                         (open_.empty() ? std::string("no element")
                                        : "the element '" + std::string(open_.back()) + "'"));
  open_.pop_back();
  root_closed_ = open_.empty();
  at_ = token.end = close + 1;
  return true;
}

bool XmlScanner::ReadTag(XmlToken& token) {
  const std::size_t name_end = ReadName(at_ + 1);
  if (name_end == at_ + 1) return Fail(at_, "a '<' that begins no tag");
  token.name = xml_.substr(at_ + 1, name_end - at_ - 1);
  std::size_t at = name_end;
  for (;;) {
    const std::size_t next = SkipSpace(at);
    if (next >= xml_.size()) return Fail(at_, "a tag that is never closed");
    if (xml_[next] == '>' || xml_.substr(next, 2) == "/>") {
      const bool empty = xml_[next] == '/';
      if (open_.empty() && root_closed_) return Fail(at_, "a second root element");
      token.kind = empty ? XmlTokenKind::kEmptyTag : XmlTokenKind::kStartTag;
      if (empty) {
        if (open_.empty()) root_closed_ = true;
      } else {
        open_.push_back(token.name);
      }
      at_ = token.end = next + (empty ? 2 : 1);
      return true;
    }
    if (next == at) return Fail(next, "no space before an attribute");
    const std::size_t attribute_end = ReadName(next);
    if (attribute_end == next) return Fail(next, "a malformed attribute");
    const std::size_t equals = SkipSpace(attribute_end);
    if (equals >= xml_.size() || xml_[equals] != '=')
      return Fail(attribute_end, "an attribute without a value");
    const std::size_t quote = SkipSpace(equals + 1);
    if (quote >= xml_.size() || (xml_[quote] != '"' && xml_[quote] != '\''))
      return Fail(quote, "an attribute value without quotes");
    const std::size_t value_end = xml_.find(xml_[quote], quote + 1);
    if (value_end == std::string_view::npos) return Fail(quote, "a value that is never closed");
    XmlAttribute attribute;
    attribute.name = xml_.substr(next, attribute_end - next);
    attribute.value_offset = quote + 1;
    attribute.value = xml_.substr(quote + 1, value_end - quote - 1);
    const std::size_t lt = attribute.value.find('<');
    if (lt != std::string_view::npos) return Fail(quote + 1 + lt, "a '<' in an attribute value");
    if (!CheckReferences(attribute.value, quote + 1)) return false;
    for (const XmlAttribute& earlier : token.attributes)
      if (earlier.name == attribute.name)
        return Fail(next, "the attribute '" + std::string(attribute.name) + "' twice");
    token.attributes.push_back(attribute);
    at = value_end + 1;
  }
}

std::string XmlUnescape(std::string_view written) {
  std::string out;
  out.reserve(written.size());
  for (std::size_t i = 0; i < written.size(); ++i) {
    const std::size_t semicolon = written[i] == '&' ? written.find(';', i) : std::string_view::npos;
    if (semicolon == std::string_view::npos) {
      out += written[i];
      continue;
    }
    const std::string_view name = written.substr(i + 1, semicolon - i - 1);
    if (!name.empty() && name[0] == '#') {
      if (const auto code_point = CharacterReference(name.substr(1))) AppendUtf8(out, *code_point);
    } else if (const char c = NamedEntity(name)) {
      out += c;
    }
    i = semicolon;
  }
  return out;
}

std::string XmlEscape(std::string_view text, bool in_attribute) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += in_attribute ? "&quot;" : "\"";
        break;
      case '\r':  // a reader would take a CR as written for a line break
        out += "&#13;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace lipimattam
