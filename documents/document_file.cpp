#include "documents/document_file.h"

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace lipimattam {
namespace {

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

// A new archive of the entries of `original` in their order: each changed entry with its new
// bytes, compressed; every other one as it was stored, its compressed bytes copied.
std::string WriteArchive(zip_t* original,
                         const std::vector<std::pair<std::string, std::string>>& changed) {
  zip_error_t error;
  zip_error_init(&error);
  std::unique_ptr<zip_source_t, SourceFreer> target(
      zip_source_buffer_create(nullptr, 0, 0, &error));
  if (!target) throw std::bad_alloc();
  std::unique_ptr<zip_t, ArchiveCloser> archive(
      zip_open_from_source(target.get(), ZIP_TRUNCATE, &error));
  if (!archive) throw std::bad_alloc();
  zip_source_keep(target.get());
  const auto cannot = [&archive](const std::string& name) {
    Fail(name, std::string("cannot be written: ") + zip_strerror(archive.get()));
  };
  const zip_int64_t entries = zip_get_num_entries(original, 0);
  for (zip_int64_t i = 0; i < entries; ++i) {
    const auto index = static_cast<zip_uint64_t>(i);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(original, index, 0, &stat) != 0 || stat.name == nullptr)
      Fail("", zip_strerror(original));
    const std::string name = stat.name;
    const auto edited = std::find_if(changed.begin(), changed.end(),
                                     [&name](const auto& part) { return part.first == name; });
    zip_source_t* data =
        edited != changed.end()
            ? zip_source_buffer(archive.get(), edited->second.data(), edited->second.size(), 0)
            : zip_source_zip(archive.get(), original, index, ZIP_FL_COMPRESSED, 0, -1);
    if (data == nullptr) cannot(name);
    const zip_int64_t added = zip_file_add(archive.get(), name.c_str(), data, ZIP_FL_ENC_UTF_8);
    if (added < 0) {
      zip_source_free(data);
      cannot(name);
    }
    const auto at = static_cast<zip_uint64_t>(added);
    // A copied entry keeps its method, so that its stored bytes are taken as they are.
    const bool method_known = (stat.valid & ZIP_STAT_COMP_METHOD) != 0;
    (void)zip_set_file_compression(archive.get(), at,
                                   edited != changed.end() || !method_known
                                       ? ZIP_CM_DEFLATE
                                       : static_cast<zip_int32_t>(stat.comp_method),
                                   0);
    if ((stat.valid & ZIP_STAT_MTIME) != 0)
      (void)zip_file_set_mtime(archive.get(), at, stat.mtime, 0);
    std::uint8_t system = 0;
    std::uint32_t attributes = 0;
    if (zip_file_get_external_attributes(original, index, 0, &system, &attributes) == 0)
      (void)zip_file_set_external_attributes(archive.get(), at, 0, system, attributes);
  }
  int comment_length = 0;
  if (const char* comment = zip_get_archive_comment(original, &comment_length, 0);
      comment != nullptr && comment_length > 0)
    (void)zip_set_archive_comment(archive.get(), comment,
                                  static_cast<zip_uint16_t>(comment_length));
  if (zip_close(archive.get()) != 0)
    Fail("", std::string("cannot write the converted archive: ") + zip_strerror(archive.get()));
  (void)archive.release();  // closed and freed
  zip_stat_t written;
  zip_stat_init(&written);
  if (zip_source_stat(target.get(), &written) != 0 || zip_source_open(target.get()) != 0)
    Fail("", "cannot read the converted archive back");
  std::string bytes(written.size, '\0');
  const zip_int64_t got = zip_source_read(target.get(), bytes.data(), written.size);
  zip_source_close(target.get());
  if (got < 0 || static_cast<zip_uint64_t>(got) != written.size)
    Fail("", "cannot read the converted archive back");
  return bytes;
}

DocumentFileConversion Convert(std::string_view bytes, const DocumentOptions& options) {
  if (bytes.substr(0, kOleSignature.size()) == kOleSignature)
    Fail("",
         "an encrypted document or a Word 97-2003 (.doc) file; save it as an unencrypted "
         ".docx or .odt and convert that");
  zip_error_t error;
  zip_error_init(&error);
  std::unique_ptr<zip_source_t, SourceFreer> source(
      zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error));
  if (!source) throw std::bad_alloc();
  std::unique_ptr<zip_t, ArchiveCloser> archive(
      zip_open_from_source(source.get(), ZIP_CHECKCONS | ZIP_RDONLY, &error));
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
  EntriesConversion conversion = ConvertDocumentEntries(
      [&](const std::string& name) { return ReadEntry(archive.get(), name); }, options);
  if (conversion.parts.error) throw Failure{*conversion.parts.error};
  result.format = conversion.format;
  result.summary = std::move(conversion.parts.summary);
  result.bytes = WriteArchive(archive.get(), conversion.parts.changed);
  return result;
}

}  // namespace

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
