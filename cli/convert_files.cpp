#include "cli/convert_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utf8cpp/utf8.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <memory>
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

#include "cli/document_module.h"
#include "cli/exit_status.h"
#include "cli/file_names.h"
#include "cli/messages.h"
#include "cli/output_file.h"
#include "cli/text_codec.h"
#include "cli/text_stream.h"
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

// A document is read whole; text is read, converted and written a piece at a time.
constexpr std::size_t kMaxDocumentBytes = std::size_t{1} << 30;
// Text is read in small pieces at first, so that a small input touches little memory (every
// page touched for the first time costs a fault), and past its first MiB in larger ones, so
// that a large input takes fewer calls.
constexpr std::size_t kFirstReadPiece = std::size_t{1} << 14;
constexpr std::size_t kReadPiece = std::size_t{1} << 16;
constexpr std::uint64_t kSmallPiecesUpTo = std::uint64_t{1} << 20;

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

ReadFailure CannotRead(const std::string& input, int error) {
  return {kExitNoInput, "cannot read " + DisplayName(input) + ": " + SystemError(error)};
}

// Reads up to `wanted` more bytes onto the end of `bytes`, fewer only at the end of the input.
std::optional<ReadFailure> ReadMore(const InputFile& file, const std::string& input,
                                    std::size_t wanted, std::string& bytes) {
  std::size_t used = bytes.size();
  bytes.resize(used + wanted);
  while (wanted != 0) {
    const ssize_t got = ::read(file.fd(), bytes.data() + used, wanted);
    if (got > 0) {
      used += static_cast<std::size_t>(got);
      wanted -= static_cast<std::size_t>(got);
    } else if (got == 0) {
      break;
    } else if (errno != EINTR) {
      return CannotRead(input, errno);
    }
  }
  bytes.resize(used);
  return std::nullopt;
}

// Room for a piece of text, read into without being zero-filled first: a small input touches
// only the memory it takes.
class Piece {
 public:
  // Reads the next piece: a whole one, or what is left of the input.
  std::optional<ReadFailure> Read(const InputFile& file, const std::string& input) {
    size_ = 0;
    const std::size_t wanted = total_ < kSmallPiecesUpTo ? kFirstReadPiece : kReadPiece;
    while (size_ < wanted) {
      const ssize_t got = ::read(file.fd(), data_.get() + size_, wanted - size_);
      if (got > 0) {
        size_ += static_cast<std::size_t>(got);
      } else if (got == 0) {
        break;
      } else if (errno != EINTR) {
        return CannotRead(input, errno);
      }
    }
    total_ += size_;
    return std::nullopt;
  }
  [[nodiscard]] std::string_view View() const { return {data_.get(), size_}; }

 private:
  std::unique_ptr<char[]> data_{new char[kReadPiece]};
  std::size_t size_ = 0;
  std::uint64_t total_ = 0;  // read into this piece so far, from every input
};

// Opens an input, refusing a folder.
std::optional<ReadFailure> Open(const InputFile& file, const std::string& input) {
  if (file.fd() < 0) return CannotRead(input, errno);
  struct stat info {};
  if (::fstat(file.fd(), &info) == 0 && S_ISDIR(info.st_mode)) return CannotRead(input, EISDIR);
  return std::nullopt;
}

// Reads the rest of a document, which is held whole.
std::optional<ReadFailure> ReadRest(const InputFile& file, const std::string& input,
                                    std::string& bytes) {
  for (;;) {
    const std::size_t before = bytes.size();
    if (auto failure = ReadMore(file, input, kReadPiece, bytes)) return failure;
    if (bytes.size() > kMaxDocumentBytes)
      return ReadFailure{kExitDataError, DisplayName(input) + ": the document is larger than " +
                                             std::to_string(kMaxDocumentBytes >> 20) + " MiB"};
    if (bytes.size() - before < kReadPiece) return std::nullopt;
  }
}

// "story.txt:12:5", from a name as messages show it.
std::string PositionIn(const std::string& shown_name, const TextPosition& position) {
  return shown_name + ":" + std::to_string(position.line) + ":" + std::to_string(position.column);
}

std::string Position(const std::string& input, const TextPosition& position) {
  return PositionIn(DisplayName(input), position);
}

class Filter {
 public:
  Filter(const Options& options, const std::vector<std::string>& inputs, const std::string& output,
         const ConversionReport& report)
      : options_(options), inputs_(inputs), output_(output), report_(report) {}

  int Run() {
    if (options_.max_input) {  // files too large are refused before anything is read
      std::uint64_t sizes = 0;
      for (const std::string& input : inputs_) {
        struct stat info {};
        if (input != kStandardStream && ::stat(input.c_str(), &info) == 0 && S_ISREG(info.st_mode))
          sizes += static_cast<std::uint64_t>(info.st_size);
        if (sizes > *options_.max_input)
          return Fail({kExitDataError, OverTheLimit(input) + "; nothing was written"});
      }
    }
    const std::string& name = inputs_.front();
    const InputFile file(name);
    Piece head;
    if (const auto failure = Open(file, name)) return Fail(*failure);
    if (const auto failure = head.Read(file, name)) return Fail(*failure);
    Read(head.View().size());
    if (LooksLikeDocument(head.View())) {
      if (inputs_.size() > 1) return DocumentAmongOthers(name);
      std::string document(head.View());
      if (const auto failure = ReadRest(file, name, document)) return Fail(*failure);
      Read(document.size() - bytes_read_);
      if (!WithinLimit())
        return Fail({kExitDataError, OverTheLimit(name) + "; nothing was written"});
      return RunDocument(std::move(document));
    }
    for (std::size_t i = 1; i < inputs_.size(); ++i)
      if (const auto status = Check(inputs_[i])) return *status;
    return RunText(file, head);
  }

  // How much input was read.
  [[nodiscard]] std::size_t BytesRead() const { return bytes_read_; }

 private:
  void Report(const std::string& message) const { report_.message(message); }

  int Fail(const ReadFailure& failure) const {
    Report(failure.message);
    return failure.status;
  }

  int DocumentAmongOthers(const std::string& input) const {
    Report(DisplayName(input) +
           ": a document is converted on its own, not joined with other inputs (use "
           "--output-dir to convert several); nothing was written");
    return kExitUsage;
  }

  // Whether the input read so far is within --max-input.
  [[nodiscard]] bool WithinLimit() const {
    return !options_.max_input || bytes_read_ <= *options_.max_input;
  }

  std::string OverTheLimit(const std::string& input) const {
    return DisplayName(input) + ": the input is larger than --max-input " +
           std::to_string(*options_.max_input) + " bytes" + (inputs_.size() == 1 ? "" : " in all");
  }

  // Counts input bytes as read and converted.
  void Read(std::size_t bytes) {
    bytes_read_ += bytes;
    if (report_.bytes_done != nullptr)
      report_.bytes_done->fetch_add(bytes, std::memory_order_relaxed);
  }

  // Before any text is written: an input after the first that cannot be read, is a folder or is
  // a document. Standard input is looked at when its turn comes.
  std::optional<int> Check(const std::string& input) const {
    if (input == kStandardStream) return std::nullopt;
    const InputFile file(input);
    std::string head;
    if (const auto failure = Open(file, input)) return Fail(*failure);
    if (const auto failure = ReadMore(file, input, 8, head)) return Fail(*failure);
    if (LooksLikeDocument(head)) return DocumentAmongOthers(input);
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
    std::string load_error;
    DocumentFileConversion conversion =
        ConvertDocumentThroughModule(bytes, document_options, load_error);
    std::string().swap(bytes);
    if (!load_error.empty()) {
      Report("internal error: " + name + ": " + load_error + "; nothing was written");
      return kExitSoftware;
    }
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
    return WriteBytes(conversion.bytes);
  }

  // The inputs, joined as one text, read, converted and written a piece at a time. `piece`
  // holds the first piece of the first input.
  int RunText(const InputFile& first, Piece& piece) {
    OutputFile output;
    if (const auto failure = output.Open(output_)) {
      Report(failure->message);
      return failure->status;
    }
    std::optional<OutputFailure> write_failure;
    TextStreamSettings settings;
    settings.to_unicode = options_.to_unicode;
    settings.input_encoding = options_.input_encoding;
    settings.output_encoding = options_.output_encoding;
    settings.forms = options_.to_unicode_options;
    TextStream stream(settings, [&](std::string_view bytes) {
      write_failure = output.Write(bytes);
      return !write_failure.has_value();
    });
    // What became of the text before a problem: gone with the output file, or already out.
    const auto failed = [&](const std::string& problem, int status) {
      const bool handed_on = output.HandedOn();
      output.Abandon();  // first: standard output and errors may share a file
      Report(problem + (handed_on ? "; the text before it was written" : "; nothing was written"));
      return status;
    };
    for (std::size_t i = 0; i < inputs_.size(); ++i) {
      const std::string& name = inputs_[i];
      std::optional<InputFile> opened;
      if (i != 0) {
        opened.emplace(name);
        if (const auto failure = Open(*opened, name))
          return failed(failure->message, failure->status);
      }
      const InputFile& file = i == 0 ? first : *opened;
      stream.BeginInput();
      for (bool starting = true;; starting = false) {
        if (i != 0 || !starting) {
          if (const auto failure = piece.Read(file, name))
            return failed(failure->message, failure->status);
          Read(piece.View().size());
          if (starting && LooksLikeDocument(piece.View()))  // standard input, not looked at before
            return failed(DisplayName(name) +
                              ": a document is converted on its own, not joined with other "
                              "inputs (use --output-dir to convert several)",
                          kExitUsage);
        }
        if (piece.View().empty()) break;
        if (!WithinLimit()) return failed(OverTheLimit(name), kExitDataError);
        if (const auto error = stream.Add(piece.View()))
          return StreamFailed(*error, write_failure, failed);
      }
      if (const auto error = stream.EndInput()) return StreamFailed(*error, write_failure, failed);
    }
    if (const auto error = stream.Finish()) return StreamFailed(*error, write_failure, failed);
    if (const UnknownCodes& unknown = stream.Unknown(); unknown.count != 0)
      Report("warning: " + std::to_string(unknown.count) +
             " glyph code(s) with no meaning in the ML-TT encoding were copied unchanged; the "
             "first, 0x" +
             Hex(unknown.first_code, 2) + ", is at " + Where(unknown.first));
    return Commit(output, std::nullopt);
  }

  std::string Where(const TextPlace& place) const {
    return Position(inputs_[place.input], place.position);
  }

  // Reports what stopped the text.
  template <typename Fail>
  int StreamFailed(const TextStreamError& error, const std::optional<OutputFailure>& write_failure,
                   const Fail& failed) const {
    using Kind = TextStreamError::Kind;
    const std::string where = Where(error.place);
    switch (error.kind) {
      case Kind::kInvalidUtf8:
        return failed(where + ": invalid UTF-8 at byte offset " +
                          std::to_string(error.byte_offset) + " (byte 0x" + Hex(error.byte, 2) +
                          ")",
                      kExitDataError);
      case Kind::kNoByte:
        return failed(where + ": U+" + Hex(error.code_point, 4) + " has no glyph code, so " +
                          EncodingName(options_.output_encoding) +
                          " cannot hold it (use --output-encoding utf-8)",
                      kExitDataError);
      case Kind::kUnencodable:
        return failed(
            "internal error: output unit 0x" + Hex(error.code_point, 4) + " cannot be encoded",
            kExitSoftware);
      case Kind::kSinkStopped:
        break;
    }
    Report(write_failure ? write_failure->message : "internal error: the output stopped");
    return write_failure ? write_failure->status : kExitSoftware;
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
