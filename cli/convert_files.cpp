#include "cli/convert_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utf8cpp/utf8.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <lipimattam/code_pages.h>
#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>
#include <lipimattam/utf16.h>

#include "cli/exit_status.h"
#include "cli/file_names.h"
#include "cli/messages.h"
#include "cli/output_file.h"
#include "cli/text_codec.h"
#include "documents/document_file.h"

namespace lipimattam {
namespace {

const char* EncodingName(Encoding encoding) {
  switch (encoding) {
    case Encoding::kUtf8:
      return "utf-8";
    case Encoding::kLatin1:
      return "latin1";
    case Encoding::kCp1252:
      return "cp1252";
    case Encoding::kMacRoman:
      return "macroman";
  }
  return "";
}

// The most text converted at once. Converting into the font's encoding holds the input and the
// output, at most three times the input in all; reading back to Unicode holds more.
constexpr std::size_t kMaxInputBytes = std::size_t{1} << 30;
constexpr std::size_t kReadChunk = std::size_t{1} << 16;

// One input's place in the text that is converted as a whole.
struct InputSegment {
  std::string name;
  std::size_t first_unit = 0;
};

struct ReadFailure {
  int status;
  std::string message;
};

// Closes a file it opened when it goes out of scope; standard input stays open.
class InputFile {
 public:
  explicit InputFile(const std::string& input)
      : fd_(input == kStandardStream ? STDIN_FILENO : ::open(input.c_str(), O_RDONLY | O_CLOEXEC)),
        owned_(input != kStandardStream) {}
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() {
    if (owned_ && fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int fd() const { return fd_; }

 private:
  int fd_;
  bool owned_;
};

// Reads a whole file, or standard input for "-", of at most `budget` bytes.
std::optional<ReadFailure> ReadAll(const std::string& input, std::size_t budget, bool only_input,
                                   std::string& bytes) {
  const auto cannot_read = [&](int error) {
    return ReadFailure{kExitNoInput,
                       "cannot read " + DisplayName(input) + ": " + SystemError(error)};
  };
  const auto too_large = [&] {
    return ReadFailure{kExitDataError, DisplayName(input) + ": the input is larger than " +
                                           std::to_string(kMaxInputBytes >> 20) + " MiB" +
                                           (only_input ? "" : " in all") +
                                           "; split the text and convert it in parts"};
  };
  const InputFile file(input);
  if (file.fd() < 0) return cannot_read(errno);
  struct stat info {};
  if (::fstat(file.fd(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return cannot_read(EISDIR);
    if (S_ISREG(info.st_mode)) {
      const auto size = static_cast<std::size_t>(info.st_size);
      if (size > budget) return too_large();
      bytes.resize(size + kReadChunk);
    }
  }
  // Reads straight into the string, growing it as needed: a file of known size in one go.
  std::size_t used = 0;
  for (;;) {
    if (bytes.size() - used < kReadChunk)
      bytes.resize(std::max<std::size_t>(bytes.size() * 2, used + kReadChunk));
    const ssize_t got = ::read(file.fd(), bytes.data() + used, bytes.size() - used);
    if (got > 0) {
      used += static_cast<std::size_t>(got);
      if (used > budget) return too_large();
    } else if (got == 0) {
      break;
    } else if (errno != EINTR) {
      return cannot_read(errno);
    }
  }
  bytes.resize(used);
  return std::nullopt;
}

// "story.txt:12:5", from a name as messages show it.
std::string PositionIn(const std::string& shown_name, const TextPosition& position) {
  return shown_name + ":" + std::to_string(position.line) + ":" + std::to_string(position.column);
}

std::string Position(const std::string& input, const TextPosition& position) {
  return PositionIn(DisplayName(input), position);
}

std::string InvalidUtf8Message(const std::string& input, const Utf8Error& error) {
  if (error.internal)
    return "internal error: the UTF-8 decoders disagree about the piece of " + DisplayName(input) +
           " at byte offset " + std::to_string(error.byte_offset) + "; nothing was written";
  return Position(input, error.position) + ": invalid UTF-8 at byte offset " +
         std::to_string(error.byte_offset) + " (byte 0x" + Hex(error.byte, 2) +
         "); nothing was written";
}

CodePage CodePageOf(Encoding encoding) {
  switch (encoding) {
    case Encoding::kCp1252:
      return CodePage::kCp1252;
    case Encoding::kMacRoman:
      return CodePage::kMacRoman;
    case Encoding::kUtf8:
    case Encoding::kLatin1:
      break;
  }
  return CodePage::kLatin1;
}

// The first character of valid UTF-8 text that the font has no glyph code for and that the
// single-byte output cannot hold either: its byte offset and code point.
std::optional<std::pair<std::size_t, char32_t>> FirstCharacterWithoutByte(std::string_view bytes,
                                                                          Encoding encoding) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  const std::size_t start = bytes.substr(0, 3) == kByteOrderMark ? 3 : 0;
  for (auto at = bytes.begin() + static_cast<std::ptrdiff_t>(start); at != bytes.end();) {
    const auto offset = static_cast<std::size_t>(at - bytes.begin());
    const char32_t code_point = utf8::unchecked::next(at);
    if (!ConvertsIntoCodePage(code_point, CodePageOf(encoding)))
      return std::pair{offset, code_point};
  }
  return std::nullopt;
}

// Hands the units of one input to `take`: UTF-8 decoded, or one unit per byte; with Mac Roman,
// UTF-8 decoded and each Mac Roman character taken as the code it stands for.
std::optional<Utf8Error> DecodeInput(std::string_view bytes, Encoding encoding,
                                     const Utf16Sink& take) {
  if (encoding == Encoding::kUtf8) return DecodeUtf8(bytes, take);
  if (encoding == Encoding::kMacRoman) {
    std::u16string codes;
    return DecodeUtf8(bytes, [&codes, &take](std::u16string_view piece) {
      codes.assign(piece);
      for (char16_t& unit : codes) {
        const int code = ByteOfUnit(unit, CodePage::kMacRoman);
        if (code >= 0) unit = static_cast<char16_t>(code);
      }
      take(codes);
    });
  }
  DecodeSingleBytes(bytes, CodePageOf(encoding), take);
  return std::nullopt;
}

// The UTF-8 length of UTF-16 text: the input bytes a decoded piece stands for.
std::uint64_t Utf8Length(std::u16string_view piece) {
  std::uint64_t length = 0;
  for (const char16_t unit : piece) {  // a surrogate pair takes four bytes, two for each half
    const bool two =
        unit >= 0x80 && (unit < 0x800 || IsHighSurrogate(unit) || IsLowSurrogate(unit));
    length += unit < 0x80 ? 1u : two ? 2u : 3u;
  }
  return length;
}

// "story.txt:12:5" for a unit of the whole text.
std::string Locate(std::u16string_view text, const std::vector<InputSegment>& segments,
                   std::size_t unit_index) {
  const InputSegment* segment = &segments.front();
  for (const InputSegment& candidate : segments)
    if (candidate.first_unit <= unit_index) segment = &candidate;
  const std::size_t segment_end =
      segment + 1 == segments.data() + segments.size() ? text.size() : (segment + 1)->first_unit;
  const std::u16string_view segment_text =
      text.substr(segment->first_unit, segment_end - segment->first_unit);
  return PositionIn(segment->name, PositionOfUnit(segment_text, unit_index - segment->first_unit));
}

class Filter {
 public:
  Filter(const Options& options, const std::vector<std::string>& inputs, const std::string& output,
         const ConversionReport& report)
      : options_(options), inputs_(inputs), output_(output), report_(report) {}

  int Run() {
    std::string first;
    if (const auto status = Read(inputs_.front(), first)) return *status;
    const int status = LooksLikeDocument(first) ? RunDocument(std::move(first))
                       : options_.to_unicode    ? RunToUnicode(std::move(first))
                                                : RunToGlyphCodes(std::move(first));
    if (counted_ < bytes_read_) Done(bytes_read_ - counted_);  // a byte order mark, a failure
    return status;
  }

  // How much input was read.
  [[nodiscard]] std::size_t BytesRead() const { return bytes_read_; }

 private:
  void Report(const std::string& message) const { report_.message(message); }

  // Counts input bytes as converted.
  void Done(std::uint64_t bytes) {
    counted_ += bytes;
    if (report_.bytes_done != nullptr)
      report_.bytes_done->fetch_add(bytes, std::memory_order_relaxed);
  }

  // Reads the next input within what is left of the limit; reports a failure, and a document
  // among several inputs.
  std::optional<int> Read(const std::string& input, std::string& bytes) {
    if (const auto failure =
            ReadAll(input, kMaxInputBytes - bytes_read_, inputs_.size() == 1, bytes)) {
      Report(failure->message);
      return failure->status;
    }
    bytes_read_ += bytes.size();
    if (inputs_.size() > 1 && LooksLikeDocument(bytes)) {
      Report(DisplayName(input) +
             ": a document is converted on its own, not joined with other inputs (use "
             "--output-dir to convert several); nothing was written");
      return kExitUsage;
    }
    return std::nullopt;
  }

  // A whole document, written as a document of the same format.
  int RunDocument(std::string bytes) {
    const std::string name = DisplayName(inputs_.front());
    if (output_ == kStandardStream && ::isatty(STDOUT_FILENO) != 0) {
      Report(name +
             ": a document is not written to a terminal (use -o FILE or redirect the "
             "output); nothing was written");
      return kExitUsage;
    }
    DocumentOptions document_options = options_.documents;
    document_options.direction =
        options_.to_unicode ? DocumentDirection::kToUnicode : DocumentDirection::kToMlTt;
    document_options.to_unicode = options_.to_unicode_options;
    DocumentFileConversion conversion = ConvertDocumentFile(bytes, document_options);
    std::string().swap(bytes);
    if (conversion.error) {
      const DocumentError& error = *conversion.error;
      Report(name + ": " + (error.part.empty() ? "" : error.part + ": ") +
             (error.byte_offset ? "byte offset " + std::to_string(*error.byte_offset) + ": "
                                : std::string()) +
             error.message + "; nothing was written");
      return kExitDataError;
    }
    const DocumentSummary& summary = conversion.summary;
    if (summary.unknown_codes != 0)
      Report("warning: " + name + ": " + std::to_string(summary.unknown_codes) +
             " glyph code(s) with no meaning in the ML-TT encoding were copied unchanged");
    if (!options_.quiet || !summary.fonts_left_alone.empty()) {
      std::string line = name + ": " + std::to_string(summary.runs) +
                         (summary.runs == 1 ? " run" : " runs") + " of text converted (" +
                         std::to_string(summary.characters) + " characters)";
      if (!summary.fonts_left_alone.empty()) {
        line += "; left alone, in fonts of another or an unknown encoding:";
        for (const std::string& font : summary.fonts_left_alone)
          line += " \"" + Printable(font) + "\"";
        line += " (if one holds ML-TT codes, name it with --legacy-font)";
      }
      Report(line);
    }
    Done(bytes_read_);
    return WriteBytes(conversion.bytes);
  }

  // The inputs are read, then checked and converted in turn, piece by piece: the text is never
  // held in UTF-16 beside its output, and each input's bytes go once it is converted.
  int RunToGlyphCodes(std::string first) {
    std::vector<std::string> inputs(inputs_.size());
    inputs.front() = std::move(first);
    for (std::size_t i = 1; i < inputs.size(); ++i)
      if (const auto status = Read(inputs_[i], inputs[i])) return *status;
    TextConverter converter(bytes_read_);  // never more units than bytes
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      const std::string& input = inputs_[i];
      std::string bytes = std::move(inputs[i]);
      if (options_.output_encoding != Encoding::kUtf8 &&
          options_.input_encoding == Encoding::kUtf8 &&
          utf8::is_valid(bytes.begin(), bytes.end())) {
        if (const auto character = FirstCharacterWithoutByte(bytes, options_.output_encoding)) {
          Report(Position(input, PositionOfByte(bytes, character->first)) + ": U+" +
                 Hex(character->second, 4) + " has no glyph code, so " +
                 EncodingName(options_.output_encoding) +
                 " cannot hold it (use --output-encoding utf-8); nothing was written");
          return kExitDataError;
        }
      }
      const bool counting = report_.bytes_done != nullptr;
      const bool utf8 = options_.input_encoding == Encoding::kUtf8;
      const auto add = [&](std::u16string_view piece) {
        converter.Add(piece);
        if (counting) Done(utf8 ? Utf8Length(piece) : piece.size());
      };
      if (const auto error = DecodeInput(bytes, options_.input_encoding, add)) {
        Report(InvalidUtf8Message(input, *error));
        return error->internal ? kExitSoftware : kExitDataError;
      }
    }
    return Write(std::move(converter).Finish());
  }

  int RunToUnicode(std::string first) {
    std::u16string text;
    std::vector<InputSegment> segments;
    for (const std::string& input : inputs_) {
      std::string bytes;
      if (&input == &inputs_.front()) {
        bytes.swap(first);
      } else if (const auto status = Read(input, bytes)) {
        return *status;
      }
      segments.push_back({DisplayName(input), text.size()});
      text.reserve(text.size() + bytes.size());
      const auto append = [&text](std::u16string_view piece) { text.append(piece); };
      if (const auto error = DecodeInput(bytes, options_.input_encoding, append)) {
        Report(InvalidUtf8Message(input, *error));
        return error->internal ? kExitSoftware : kExitDataError;
      }
    }
    ToUnicodeResult result = ConvertToUnicode(text, options_.to_unicode_options);
    if (result.unknown_codes != 0) {
      Report("warning: " + std::to_string(result.unknown_codes) +
             " glyph code(s) with no meaning in the ML-TT encoding were copied unchanged; the "
             "first, 0x" +
             Hex(text[result.first_unknown], 2) + ", is at " +
             Locate(text, segments, result.first_unknown));
    }
    std::u16string().swap(text);
    Done(bytes_read_);
    return Write(std::move(result.text));
  }

  // Encodes the converted text piece by piece straight into the output.
  int Write(std::u16string converted) const {
    OutputFile output;
    if (const auto failure = output.Open(output_)) {
      Report(failure->message);
      return failure->status;
    }
    std::optional<OutputFailure> write_failure;
    const auto put = [&](std::string_view piece) {
      write_failure = output.Write(piece);
      return !write_failure.has_value();
    };
    EncodeOutcome outcome;
    switch (options_.output_encoding) {
      case Encoding::kUtf8:
      case Encoding::kMacRoman:  // read only: never chosen for output
        outcome = EncodeUtf8(converted, put);
        break;
      case Encoding::kLatin1:
        outcome = EncodeLatin1(converted, put);
        break;
      case Encoding::kCp1252:
        outcome = EncodeCp1252(converted, put);
        break;
    }
    if (outcome.unwritable_unit) {
      Report("internal error: output unit 0x" + Hex(converted[*outcome.unwritable_unit], 4) +
             " at " + std::to_string(*outcome.unwritable_unit) +
             " cannot be encoded; nothing was written");
      return kExitSoftware;
    }
    return Commit(output, write_failure);
  }

  // Writes bytes as they are.
  int WriteBytes(std::string_view bytes) const {
    OutputFile output;
    if (const auto failure = output.Open(output_)) {
      Report(failure->message);
      return failure->status;
    }
    return Commit(output, output.Write(bytes));
  }

  // Puts a written output in place, unless writing it failed.
  int Commit(OutputFile& output, std::optional<OutputFailure> write_failure) const {
    const bool later = static_cast<bool>(report_.sync_folder_later);
    if (!write_failure) {
      write_failure = output.Commit(!later);
      if (!write_failure && later) report_.sync_folder_later(output.FolderToSync());
    }
    if (write_failure) {
      Report(write_failure->message);
      return write_failure->status;
    }
    return kExitOk;
  }

  const Options& options_;
  const std::vector<std::string>& inputs_;
  const std::string& output_;
  const ConversionReport& report_;
  std::size_t bytes_read_ = 0;
  std::uint64_t counted_ = 0;  // bytes counted as converted
};

}  // namespace

ConversionResult ConvertInputs(const Options& options, const std::vector<std::string>& inputs,
                               const std::string& output, const ConversionReport& report) {
  Filter filter(options, inputs, output, report);
  try {
    return {filter.Run(), filter.BytesRead()};
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  // Whatever was under way is abandoned: an output file not yet in place is removed. The input
  // is measured as the summary measures it, by what was read or, where reading it failed, by
  // the files' sizes.
  std::uint64_t size = filter.BytesRead();
  std::uint64_t sizes = 0;
  for (const std::string& input : inputs) {
    struct stat info {};
    if (input != kStandardStream && ::stat(input.c_str(), &info) == 0 && S_ISREG(info.st_mode))
      sizes += static_cast<std::uint64_t>(info.st_size);
  }
  size = std::max(size, sizes);
  report.message((inputs.size() == 1 ? DisplayName(inputs.front()) + ": " : std::string()) +
                 "not enough memory for " + Amount(size, size) + " of input; nothing was written");
  return {kExitOsError, filter.BytesRead()};
}

}  // namespace lipimattam
