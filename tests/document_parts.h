// Documents made by the tests: the parts of small Word and OpenDocument files, and ZIP
// archives of them, so that no binary file is committed.
#pragma once

#include <zip.h>

#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace lipimattam::testing {

inline constexpr const char* kWordNamespaces =
    R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
    R"(xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006")";
inline constexpr const char* kOdfNamespaces =
    R"(xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" )"
    R"(xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" )"
    R"(xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" )"
    R"(xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" )"
    R"(xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0")";

inline std::string Relationship(const std::string& type, const std::string& target) {
  return R"(<Relationship Id=")" + type + R"(" Type="http://schemas.openxmlformats.org/)" +
         "officeDocument/2006/relationships/" + type + R"(" Target=")" + target + R"("/>)";
}

// A Word document of a body and styles (their inner XML), with a theme whose minor Latin font
// is ML-TTKarthika.
inline std::map<std::string, std::string> Docx(const std::string& body,
                                               const std::string& styles = "") {
  const std::string relationships =
      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
  return {
      {"[Content_Types].xml",
       R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Override )"
       R"(PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-)"
       R"(officedocument.wordprocessingml.document.main+xml"/></Types>)"},
      {"_rels/.rels",
       relationships + Relationship("officeDocument", "word/document.xml") + "</Relationships>"},
      {"word/_rels/document.xml.rels", relationships + Relationship("styles", "styles.xml") +
                                           Relationship("theme", "theme/theme1.xml") +
                                           "</Relationships>"},
      {"word/document.xml", std::string("<w:document ") + kWordNamespaces + "><w:body>" + body +
                                "</w:body></w:document>"},
      {"word/styles.xml",
       std::string("<w:styles ") + kWordNamespaces + ">" + styles + "</w:styles>"},
      {"word/theme/theme1.xml",
       R"(<a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><a:themeElements>)"
       R"(<a:fontScheme><a:majorFont><a:latin typeface="Cambria"/></a:majorFont><a:minorFont>)"
       R"(<a:latin typeface="ML-TTKarthika"/></a:minorFont></a:fontScheme></a:themeElements>)"
       "</a:theme>"},
  };
}

// An OpenDocument text of a body, automatic styles of the content, and common styles.
inline std::map<std::string, std::string> Odt(const std::string& body, const std::string& automatic,
                                              const std::string& common = "") {
  const std::string faces = R"(<office:font-face-decls><style:font-face style:name="Revathi1" )"
                            R"(svg:font-family="'ML-TTRevathi'"/></office:font-face-decls>)";
  return {
      {"content.xml", std::string("<office:document-content ") + kOdfNamespaces + ">" + faces +
                          "<office:automatic-styles>" + automatic +
                          "</office:automatic-styles><office:body><office:text>" + body +
                          "</office:text></office:body></office:document-content>"},
      {"styles.xml", std::string("<office:document-styles ") + kOdfNamespaces + ">" + faces +
                         "<office:styles>" + common + "</office:styles></office:document-styles>"},
  };
}

struct ZipEntry {
  std::string name;
  std::string bytes;
  bool stored = false;  // kept uncompressed, as an ODT file's mimetype
};

// A ZIP archive of the entries, in order.
inline std::string Zip(const std::vector<ZipEntry>& entries) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_source_keep(source);
  zip_t* archive = zip_open_from_source(source, ZIP_TRUNCATE, &error);
  if (archive == nullptr) throw std::runtime_error("cannot make an archive");
  for (const ZipEntry& entry : entries) {
    zip_source_t* data = zip_source_buffer(archive, entry.bytes.data(), entry.bytes.size(), 0);
    const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), data, 0);
    if (index < 0) throw std::runtime_error("cannot add " + entry.name);
    zip_set_file_compression(archive, static_cast<zip_uint64_t>(index),
                             entry.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
    zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), 1600000000, 0);
  }
  if (zip_close(archive) != 0) throw std::runtime_error("cannot write an archive");
  zip_stat_t stat;
  zip_stat_init(&stat);
  zip_source_stat(source, &stat);
  std::string bytes(stat.size, '\0');
  zip_source_open(source);
  zip_source_read(source, bytes.data(), stat.size);
  zip_source_close(source);
  zip_source_free(source);
  return bytes;
}

// The parts of a document as a file: an ODT's mimetype first and stored.
inline std::string DocumentFile(const std::map<std::string, std::string>& parts) {
  std::vector<ZipEntry> entries;
  if (parts.contains("content.xml"))
    entries.push_back({"mimetype", "application/vnd.oasis.opendocument.text", true});
  for (const auto& [name, bytes] : parts) entries.push_back({name, bytes, false});
  entries.push_back({"media/picture.png", std::string(4096, '\x89'), true});
  entries.push_back({"media/deflated.bin", std::string(4096, 'x'), false});
  return Zip(entries);
}

// An entry of an archive as it is stored (compressed as it was) and its method, in order.
struct StoredEntry {
  std::string name;
  std::string raw;
  int method = 0;
  bool operator==(const StoredEntry&) const = default;
};
inline std::vector<StoredEntry> StoredEntries(const std::string& archive_bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source =
      zip_source_buffer_create(archive_bytes.data(), archive_bytes.size(), 0, &error);
  zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
  if (archive == nullptr) throw std::runtime_error("not an archive");
  std::vector<StoredEntry> entries;
  for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
    zip_stat_t stat;
    zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
    std::string raw(stat.comp_size, '\0');
    zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), ZIP_FL_COMPRESSED);
    zip_fread(file, raw.data(), stat.comp_size);
    zip_fclose(file);
    entries.push_back({stat.name, raw, stat.comp_method});
  }
  zip_discard(archive);
  return entries;
}

}  // namespace lipimattam::testing
