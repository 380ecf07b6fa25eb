// Fuzzes the document library's XML scanner with any bytes: it never reads outside them, its
// tokens tile what it read without gap or overlap, a fault lies within the part, and text
// written back escaped reads as the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "documents/xml_scanner.h"

namespace {

void Expect(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string xml(reinterpret_cast<const char*>(data), size);
  lipimattam::XmlScanner scanner(xml);
  lipimattam::XmlToken token;
  std::size_t tiled = 0;
  while (scanner.Next(token)) {
    Expect(token.begin == tiled && token.end > token.begin && token.end <= xml.size());
    tiled = token.end;
    for (const lipimattam::XmlAttribute& attribute : token.attributes)
      Expect(attribute.value_offset >= token.begin &&
             attribute.value_offset + attribute.value.size() <= token.end);
    if (token.kind == lipimattam::XmlTokenKind::kText) {
      const std::string text = lipimattam::XmlUnescape(token.text);
      Expect(lipimattam::XmlUnescape(lipimattam::XmlEscape(text)) == text);
    }
  }
  if (scanner.Error()) {
    Expect(scanner.Error()->byte_offset <= xml.size() && !scanner.Error()->message.empty());
  } else {
    Expect(tiled == xml.size());
  }
  return 0;
}
