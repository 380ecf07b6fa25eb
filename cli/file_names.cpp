#include "cli/file_names.h"

#include <utf8cpp/utf8.h>

#include <cstdio>

namespace lipimattam {
namespace {

// Characters that would reorder the rest of a message on a terminal (the bidirectional marks,
// embeddings, overrides and isolates) or break its line.
bool ReordersOrBreaks(char32_t code_point) {
  return code_point == 0x061C || code_point == 0x200E || code_point == 0x200F ||
         (code_point >= 0x2028 && code_point <= 0x202E) ||
         (code_point >= 0x2066 && code_point <= 0x2069);
}

}  // namespace

std::string Printable(std::string_view name) {
  std::string shown;
  for (auto at = name.begin(); at != name.end();) {
    const auto start = at;
    char32_t code_point = 0;
    try {
      code_point = utf8::next(at, name.end());
    } catch (const utf8::exception&) {
      at = start + 1;  // a byte that begins no valid character
      code_point = 0xFFFFFFFF;
    }
    switch (code_point) {
      case U'\\':
        shown += "\\\\";
        continue;
      case U'\n':
        shown += "\\n";
        continue;
      case U'\r':
        shown += "\\r";
        continue;
      case U'\t':
        shown += "\\t";
        continue;
      default:
        break;
    }
    const bool control = code_point < 0x20 || (code_point >= 0x7F && code_point <= 0x9F) ||
                         ReordersOrBreaks(code_point);
    if (code_point != 0xFFFFFFFF && !control) {
      shown.append(start, at);
      continue;
    }
    for (auto byte = start; byte != at; ++byte) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(*byte));
      shown += escaped;
    }
  }
  return shown;
}

}  // namespace lipimattam
