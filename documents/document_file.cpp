#include "documents/document_file.h"

#include <zip.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <new>

namespace lipimattam {
namespace {

constexpr std::string_view kZipMagic = "PK\x03\x04";
constexpr std::string_view kEmptyZipMagic = "PK\x05\x06";
constexpr std::string_view kOleMagic = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
// No part of a real document comes near this; a zip bomb would.
constexpr zip_uint64_t kMaxPartBytes = zip_uint64_t{1} << 30;

struct Failure {
  DocumentError error;
};

[[noreturn]] void Fail(std::string part, std::string message) {
  throw Failure{{std::move(part), std::nullopt, std::move(message)}};
}

std::string ZipError(zip_error_t* error) {
  return zip_error_strerror(error);
}

struct ArchiveCloser {
  void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct SourceFreer {
  void operator()(zip_source_t* source) const { zip_source_free(source); }
};

std::optional<std::string> ReadEntry(zip_t* archive, const std::string& name) {
  const zip_int64_t index = zip_name_locate(archive, name.c_str(), 0);
  if (index < 0) return std::nullopt;
  zip_stat_t stat;
  zip_stat_init(&stat);
  if (zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0)
    Fail(name, zip_strerror(archive));
  if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE)
    Fail(name, "encrypted; remove the password and convert the document again");
  if (stat.size > kMaxPartBytes) Fail(name, "larger than 1 GiB unpacked");
  zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
  if (file == nullptr) Fail(name, std::string("cannot be read: ") + zip_strerror(archive));
  std::string bytes(stat.size, '\0');
  const zip_int64_t got = zip_fread(file, bytes.data(), stat.size);
  std::string problem = got < 0 ? zip_file_strerror(file) : "";
  char extra = 0;
  if (got >= 0 && zip_fread(file, &extra, 1) != 0) problem = "longer than its stated size";
  zip_fclose(file);
  if (got < 0 || static_cast<zip_uint64_t>(got) != stat.size || !problem.empty())
    Fail(name, "cannot be read: " + (problem.empty() ? std::string("it is cut short") : problem));
  return bytes;
}

DocumentFormat FormatOf(zip_t* archive) {
  if (const auto mimetype = ReadEntry(archive, "mimetype")) {
    if (*mimetype == "application/vnd.oasis.opendocument.text" ||
        *mimetype == "application/vnd.oasis.opendocument.text-template")
      return DocumentFormat::kOdt;
    Fail("mimetype",
         "an OpenDocument file of the type '" + mimetype->substr(0, 80) + "', not a text document");
  }
  if (zip_name_locate(archive, "[Content_Types].xml", 0) >= 0) {
    const std::optional<std::string> types = ReadEntry(archive, "[Content_Types].xml");
    if (types && types->find("wordprocessingml") == std::string::npos)
      Fail("[Content_Types].xml", "an Office file that is not a Word document");
    return DocumentFormat::kDocx;
  }
  Fail("", "a ZIP archive that is neither a Word (DOCX) nor an OpenDocument text (ODT) file");
}

DocumentFileConversion Convert(std::string_view bytes, const DocumentOptions& options) {
  if (bytes.substr(0, kOleMagic.size()) == kOleMagic)
    Fail("",
         "an encrypted document or a Word 97-2003 (.doc) file; save it as an unencrypted "
         ".docx or .odt and convert that");
  zip_error_t error;
  zip_error_init(&error);
  // libzip writes the new archive into this source's buffer; the original stays in `bytes`.
  std::unique_ptr<zip_source_t, SourceFreer> source(
      zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error));
  if (!source) throw std::bad_alloc();
  std::unique_ptr<zip_t, ArchiveCloser> archive(
      zip_open_from_source(source.get(), ZIP_CHECKCONS, &error));
  if (!archive) {
    const std::string message = "not a valid ZIP archive (" + ZipError(&error) + ")";
    zip_error_fini(&error);
    Fail("", message);
  }
  zip_source_keep(source.get());  // the archive's and ours
  const zip_int64_t entries = zip_get_num_entries(archive.get(), 0);
  for (zip_int64_t i = 0; i < entries; ++i) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &stat) == 0 &&
        (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && stat.encryption_method != ZIP_EM_NONE)
      Fail(stat.name != nullptr ? stat.name : "",
           "encrypted; remove the password and convert the document again");
  }
  DocumentFileConversion result;
  result.format = FormatOf(archive.get());
  if (result.format == DocumentFormat::kOdt) {
    const auto manifest = ReadEntry(archive.get(), "META-INF/manifest.xml");
    if (manifest && manifest->find("encryption-data") != std::string::npos)
      Fail("META-INF/manifest.xml",
           "the document is encrypted; remove the password and convert it again");
  }
  PartsConversion parts = ConvertDocumentParts(
      result.format, [&](const std::string& name) { return ReadEntry(archive.get(), name); },
      options);
  if (parts.error) throw Failure{*parts.error};
  result.summary = std::move(parts.summary);
  std::deque<std::string> kept;  // the new parts' bytes, until the archive is written
  for (auto& [name, part_bytes] : parts.changed) {
    const zip_int64_t index = zip_name_locate(archive.get(), name.c_str(), 0);
    zip_stat_t stat;
    zip_stat_init(&stat);
    (void)zip_stat_index(archive.get(), static_cast<zip_uint64_t>(index), 0, &stat);
    const std::string& stored = kept.emplace_back(std::move(part_bytes));
    zip_source_t* part = zip_source_buffer(archive.get(), stored.data(), stored.size(), 0);
    if (part == nullptr ||
        zip_file_replace(archive.get(), static_cast<zip_uint64_t>(index), part, 0) != 0) {
      zip_source_free(part);
      Fail(name, std::string("cannot be replaced: ") + zip_strerror(archive.get()));
    }
    (void)zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                   0);
    if ((stat.valid & ZIP_STAT_MTIME) != 0)
      (void)zip_file_set_mtime(archive.get(), static_cast<zip_uint64_t>(index), stat.mtime, 0);
  }
  if (zip_close(archive.get()) != 0)
    Fail("", std::string("cannot write the converted archive: ") + zip_strerror(archive.get()));
  (void)archive.release();  // closed
  zip_stat_t written;
  zip_stat_init(&written);
  if (zip_source_stat(source.get(), &written) != 0 || zip_source_open(source.get()) != 0)
    Fail("", "cannot read the converted archive back");
  result.bytes.resize(written.size);
  const zip_int64_t got = zip_source_read(source.get(), result.bytes.data(), written.size);
  zip_source_close(source.get());
  if (got < 0 || static_cast<zip_uint64_t>(got) != written.size)
    Fail("", "cannot read the converted archive back");
  return result;
}

}  // namespace

bool LooksLikeDocument(std::string_view head) {
  return head.substr(0, 4) == kZipMagic || head.substr(0, 4) == kEmptyZipMagic ||
         head.substr(0, kOleMagic.size()) == kOleMagic;
}

DocumentFileConversion ConvertDocumentFile(std::string_view bytes, const DocumentOptions& options) {
  try {
    return Convert(bytes, options);
  } catch (const Failure& failure) {
    DocumentFileConversion result;
    result.error = failure.error;
    return result;
  }
}

}  // namespace lipimattam
