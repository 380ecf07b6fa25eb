// Whole documents as the WebAssembly module exports them, for web/lipimattam.js: the page reads
// the zip container itself and hands over entries; the document library does the rest, as it
// does for the filter. One document at a time; each result stays until the next call.
//
// The library asks for entries by name as it finds them. The page gives the likely ones first
// (the XML entries); an entry that exists but was not given is noted, and the conversion ends
// with status 2 and the names wanted, for the page to give them and convert again.
#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "documents/document.h"

namespace {

std::set<std::string> g_entries;             // every entry of the container, by name
std::map<std::string, std::string> g_parts;  // the entries given, with their bytes
std::vector<std::string> g_wanted;           // entries asked for and not given
lipimattam::EntriesConversion g_result;
std::string g_report;  // the last report, as JSON

std::string Json(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20) {
      constexpr char kHex[] = "0123456789abcdef";
      quoted += "\\u00";
      quoted += kHex[byte >> 4];
      quoted += kHex[byte & 0xF];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string list = "[";
  for (const std::string& item : items) list += (list.size() > 1 ? "," : "") + Json(item);
  return list + "]";
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" {

// Forgets the last document.
void lipimattam_document_begin() {
  g_entries.clear();
  g_parts.clear();
  g_wanted.clear();
  g_result = {};
}

// Names an entry of the container, given or not.
void lipimattam_document_entry(const char* name, std::size_t name_length) {
  g_entries.emplace(name, name_length);
}

// Gives an entry's bytes, unpacked.
void lipimattam_document_part(const char* name, std::size_t name_length, const char* bytes,
                              std::size_t size) {
  g_parts[std::string(name, name_length)] = std::string(bytes, size);
}

// Converts the document: 0 when it converted, 1 on an error, 2 when entries are wanted.
// `legacy_fonts` holds one font name a line. lipimattam_document_report() then tells the rest.
int lipimattam_document_convert(int to_unicode, const char* unicode_font,
                                std::size_t unicode_font_length, const char* ml_tt_font,
                                std::size_t ml_tt_font_length, const char* legacy_fonts,
                                std::size_t legacy_fonts_length, int chillu_sequence,
                                int malayalam_digits) {
  lipimattam::DocumentOptions options;
  options.direction = to_unicode != 0 ? lipimattam::DocumentDirection::kToUnicode
                                      : lipimattam::DocumentDirection::kToMlTt;
  if (unicode_font_length != 0) options.unicode_font.assign(unicode_font, unicode_font_length);
  if (ml_tt_font_length != 0) options.ml_tt_font.assign(ml_tt_font, ml_tt_font_length);
  options.legacy_fonts = Lines(std::string_view(legacy_fonts, legacy_fonts_length));
  if (chillu_sequence != 0)
    options.to_unicode.chillu = lipimattam::ToUnicodeOptions::Chillu::kSequence;
  if (malayalam_digits != 0)
    options.to_unicode.digits = lipimattam::ToUnicodeOptions::Digits::kMalayalam;
  g_wanted.clear();
  g_result = lipimattam::ConvertDocumentEntries(
      [](const std::string& name) -> std::optional<std::string> {
        if (const auto found = g_parts.find(name); found != g_parts.end()) return found->second;
        if (g_entries.count(name) != 0 &&
            std::find(g_wanted.begin(), g_wanted.end(), name) == g_wanted.end())
          g_wanted.push_back(name);
        return std::nullopt;
      },
      options);
  if (!g_wanted.empty()) return 2;
  return g_result.parts.error ? 1 : 0;
}

// The last conversion as JSON: {format, wanted, changed: [names], summary, error}.
const char* lipimattam_document_report() {
  const lipimattam::PartsConversion& parts = g_result.parts;
  std::vector<std::string> changed;
  for (const auto& [name, bytes] : parts.changed) changed.push_back(name);
  const lipimattam::DocumentSummary& summary = parts.summary;
  g_report =
      "{\"format\":" + Json(g_result.format == lipimattam::DocumentFormat::kOdt ? "odt" : "docx") +
      ",\"wanted\":" + JsonList(g_wanted) + ",\"changed\":" + JsonList(changed) +
      ",\"summary\":{\"runs\":" + std::to_string(summary.runs) +
      ",\"characters\":" + std::to_string(summary.characters) +
      ",\"unknownCodes\":" + std::to_string(summary.unknown_codes) +
      ",\"fontsLeftAlone\":" + JsonList(summary.fonts_left_alone) + "}";
  if (parts.error) {
    g_report += ",\"error\":{\"part\":" + Json(parts.error->part) + ",\"byteOffset\":" +
                (parts.error->byte_offset ? std::to_string(*parts.error->byte_offset) : "null") +
                ",\"message\":" + Json(parts.error->message) + "}";
  }
  g_report += "}";
  return g_report.c_str();
}

// The new bytes of the changed entry `index` (in the report's order), and their length.
const char* lipimattam_document_changed_bytes(std::size_t index) {
  return g_result.parts.changed.at(index).second.data();
}

std::size_t lipimattam_document_changed_length(std::size_t index) {
  return g_result.parts.changed.at(index).second.size();
}

}  // extern "C"
