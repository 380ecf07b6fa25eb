#include "cli/cli_app.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utf8cpp/utf8.h>

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/exit_status.h"
#include "cli/file_names.h"
#include "cli/output_file.h"
#include "cli/text_codec.h"
#include "engine/convert.h"
#include "engine/glyph_map.h"
#include "engine/to_unicode.h"

#ifndef LIPIMATTAM_VERSION
#define LIPIMATTAM_VERSION "0.0.0"
#endif

namespace lipimattam {
namespace {

constexpr const char* kProgram = "lipimattam-cli";
constexpr std::string_view kStandardStream = "-";
// The most text converted at once. Converting into the font's encoding holds the input and the
// output, at most three times the input in all; reading back to Unicode holds more.
constexpr std::size_t kMaxInputBytes = std::size_t{1} << 30;
constexpr std::size_t kReadChunk = std::size_t{1} << 16;

enum class Encoding { kUtf8, kLatin1 };

struct Options {
  bool to_unicode = false;  // ML-TT glyph codes back to Unicode Malayalam
  Encoding input_encoding = Encoding::kUtf8;
  ToUnicodeOptions to_unicode_options;
  std::vector<std::string> inputs;  // "-" is standard input
  std::string output = "-";         // "-" is standard output
  Encoding output_encoding = Encoding::kUtf8;
};

// One input's place in the text that is converted as a whole.
struct InputSegment {
  std::string name;
  std::size_t first_unit = 0;
};

void Report(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
}

std::string DisplayName(const std::string& input) {
  return input == kStandardStream ? "<stdin>" : Printable(input);
}

std::string SystemError(int error) {
  return std::strerror(error);
}

std::string Hex(unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

// Sets `choice` to the value named by `text` (any case); false when no name matches.
template <typename Value>
bool ParseChoice(const QString& text, std::initializer_list<std::pair<const char*, Value>> names,
                 Value& choice) {
  for (const auto& [name, value] : names) {
    if (text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
      choice = value;
      return true;
    }
  }
  return false;
}

// Parses the command line; returns the exit status to end with at once, if any.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << ArgumentText(argv[i]);

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Converts Unicode Malayalam text (UTF-8) into the 8-bit encoding of the font "
      "ML-TTRevathi, or with --to-unicode text in that encoding back into Unicode.\nReads the "
      "FILEs in order, or standard input when none is given or for -, and converts them as one "
      "text.");
  const QCommandLineOption help_option({"h", "help"}, "Show this help and exit.");
  const QCommandLineOption version_option({"V", "version"}, "Show the version and exit.");
  const QCommandLineOption output_option({"o", "output"},
                                         "Write to FILE instead of standard output.", "FILE");
  const QCommandLineOption encoding_option(
      "output-encoding",
      "utf-8 (default): each glyph code as the character of the same value; latin1: one byte "
      "per glyph code, for legacy programs.",
      "ENCODING", "utf-8");
  const QCommandLineOption to_unicode_option(
      "to-unicode",
      "Convert text in the ML-TT encoding (ML-TTRevathi and the ML-TT fonts that share its "
      "codes) into Unicode Malayalam, written as UTF-8.");
  const QCommandLineOption input_encoding_option(
      "input-encoding",
      "utf-8 (default): the input is UTF-8 text, whose characters U+0000..U+00FF are glyph "
      "codes with --to-unicode; latin1: each byte is one character (one glyph code).",
      "ENCODING", "utf-8");
  const QCommandLineOption chillu_option(
      "chillu",
      "With --to-unicode: atomic (default) writes chillus as the letters U+0D7A..U+0D7F; "
      "sequence as consonant, virama, zero width joiner.",
      "FORM", "atomic");
  const QCommandLineOption digits_option(
      "digits",
      "With --to-unicode: ascii (default) writes the digit codes as ASCII digits; malayalam as "
      "Malayalam digits.",
      "FORM", "ascii");
  parser.addOptions({help_option, version_option, output_option, encoding_option, to_unicode_option,
                     input_encoding_option, chillu_option, digits_option});
  parser.addPositionalArgument("FILE", "UTF-8 text to convert; - for standard input.", "[FILE...]");

  // Every text here is ASCII or an argument's bytes, one character each.
  const auto usage_error = [](const QString& problem) {
    Report(Printable(ArgumentBytes(problem)));
    std::fprintf(stderr, "usage: %s [OPTIONS] [FILE...]\nTry '%s --help' for more.\n", kProgram,
                 kProgram);
    return kExitUsage;
  };
  if (!parser.parse(arguments)) return usage_error(parser.errorText());
  if (parser.isSet(help_option)) {
    std::fputs(parser.helpText()
                   .replace(QStringLiteral("<executable_name>"), kProgram)
                   .toLocal8Bit()
                   .constData(),
               stdout);
    std::fputs(
        "\nExit status:\n"
        "  0   success\n"
        "  64  bad options\n"
        "  65  an input that is not valid UTF-8, a character that latin1 cannot hold, or\n"
        "      input over the limit of 1024 MiB in all\n"
        "  66  an input that is missing, cannot be read, or is a folder\n"
        "  70  an internal error\n"
        "  71  not enough memory\n"
        "  73  an output that cannot be created: a missing folder, no permission, a loop of\n"
        "      symbolic links\n"
        "  74  an output that cannot be written: a full disk, a file-size limit, an I/O error,\n"
        "      a closed standard output\n"
        "Nothing is written when the status is not 0, except what a failing output took.\n"
        "-o replaces FILE with a new file, written whole before it takes FILE's place; other\n"
        "hard links to the old file keep the old text.\n",
        stdout);
    return kExitOk;
  }
  if (parser.isSet(version_option)) {
    std::printf("%s %s\n", kProgram, LIPIMATTAM_VERSION);
    return kExitOk;
  }
  if (parser.isSet(output_option)) {
    options.output = ArgumentBytes(parser.value(output_option));
    if (options.output.empty()) return usage_error("the output file name is empty");
  }
  const std::initializer_list<std::pair<const char*, Encoding>> encodings = {
      {"utf-8", Encoding::kUtf8},
      {"utf8", Encoding::kUtf8},
      {"latin1", Encoding::kLatin1},
      {"latin-1", Encoding::kLatin1},
      {"iso-8859-1", Encoding::kLatin1}};
  const auto parse_encoding = [&](const QCommandLineOption& option, Encoding& encoding) {
    return ParseChoice(parser.value(option), encodings, encoding);
  };
  if (!parse_encoding(encoding_option, options.output_encoding))
    return usage_error("unknown output encoding '" + parser.value(encoding_option) +
                       "' (use utf-8 or latin1)");
  if (!parse_encoding(input_encoding_option, options.input_encoding))
    return usage_error("unknown input encoding '" + parser.value(input_encoding_option) +
                       "' (use utf-8 or latin1)");
  options.to_unicode = parser.isSet(to_unicode_option);
  if (!options.to_unicode && (parser.isSet(chillu_option) || parser.isSet(digits_option)))
    return usage_error("--chillu and --digits go with --to-unicode");
  if (options.to_unicode && options.output_encoding == Encoding::kLatin1)
    return usage_error("--to-unicode writes Unicode text: its output encoding is utf-8");
  using Chillu = ToUnicodeOptions::Chillu;
  using Digits = ToUnicodeOptions::Digits;
  if (!ParseChoice(parser.value(chillu_option),
                   {{"atomic", Chillu::kAtomic}, {"sequence", Chillu::kSequence}},
                   options.to_unicode_options.chillu))
    return usage_error("unknown chillu form '" + parser.value(chillu_option) +
                       "' (use atomic or sequence)");
  if (!ParseChoice(parser.value(digits_option),
                   {{"ascii", Digits::kAscii}, {"malayalam", Digits::kMalayalam}},
                   options.to_unicode_options.digits))
    return usage_error("unknown digit form '" + parser.value(digits_option) +
                       "' (use ascii or malayalam)");
  for (const QString& input : parser.positionalArguments())
    options.inputs.push_back(ArgumentBytes(input));
  if (options.inputs.empty()) options.inputs.emplace_back(kStandardStream);
  return std::nullopt;
}

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
std::optional<ReadFailure> ReadAll(const std::string& input, std::size_t budget,
                                   std::string& bytes) {
  const auto cannot_read = [&](int error) {
    return ReadFailure{kExitNoInput,
                       "cannot read " + DisplayName(input) + ": " + SystemError(error)};
  };
  const auto too_large = [&] {
    return ReadFailure{kExitDataError, DisplayName(input) + ": the input is larger than " +
                                           std::to_string(kMaxInputBytes >> 20) +
                                           " MiB in all; split the text and convert it in parts"};
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

std::string Position(const std::string& input, const TextPosition& position) {
  return DisplayName(input) + ":" + std::to_string(position.line) + ":" +
         std::to_string(position.column);
}

std::string InvalidUtf8Message(const std::string& input, const Utf8Error& error) {
  if (error.internal)
    return "internal error: the UTF-8 decoders disagree about the piece of " + DisplayName(input) +
           " at byte offset " + std::to_string(error.byte_offset) + "; nothing was written";
  return Position(input, error.position) + ": invalid UTF-8 at byte offset " +
         std::to_string(error.byte_offset) + " (byte 0x" + Hex(error.byte, 2) +
         "); nothing was written";
}

// The first character of valid UTF-8 text that the font has no glyph code for, so latin1
// cannot hold what the conversion makes of it: its byte offset and code point.
std::optional<std::pair<std::size_t, char32_t>> FirstCharacterWithoutGlyph(std::string_view bytes) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  const std::size_t start = bytes.substr(0, 3) == kByteOrderMark ? 3 : 0;
  for (auto at = bytes.begin() + static_cast<long>(start); at != bytes.end();) {
    const auto offset = static_cast<std::size_t>(at - bytes.begin());
    const char32_t code_point = utf8::unchecked::next(at);
    if (code_point <= 0xFF) continue;
    if (code_point > 0xFFFF) return std::pair{offset, code_point};
    const GlyphString glyphs = MapCodeUnit(static_cast<std::int32_t>(code_point));
    for (std::size_t k = 0; k < glyphs.size(); ++k)
      if (glyphs[k] > 0xFF) return std::pair{offset, code_point};
  }
  return std::nullopt;
}

// Hands the units of one input to `take`: UTF-8 decoded, or latin1 one unit per byte.
std::optional<Utf8Error> DecodeInput(std::string_view bytes, Encoding encoding,
                                     const Utf16Sink& take) {
  if (encoding == Encoding::kUtf8) return DecodeUtf8(bytes, take);
  std::u16string piece;
  for (std::size_t at = 0; at < bytes.size(); at += kReadChunk) {
    const std::string_view part = bytes.substr(at, kReadChunk);
    piece.resize(part.size());
    std::transform(part.begin(), part.end(), piece.begin(), [](char byte) {
      return static_cast<char16_t>(static_cast<unsigned char>(byte));
    });
    take(piece);
  }
  return std::nullopt;
}

// "story.txt:12:5" for a unit of the whole text.
std::string Locate(std::u16string_view text, const std::vector<InputSegment>& segments,
                   std::size_t unit_index) {
  const InputSegment* segment = &segments.front();
  for (const InputSegment& candidate : segments)
    if (candidate.first_unit <= unit_index) segment = &candidate;
  const std::size_t segment_end =
      segment + 1 == segments.data() + segments.size() ? text.size() : (segment + 1)->first_unit;
  const TextPosition position =
      PositionOfUnit(text.substr(segment->first_unit, segment_end - segment->first_unit),
                     unit_index - segment->first_unit);
  return segment->name + ":" + std::to_string(position.line) + ":" +
         std::to_string(position.column);
}

class Filter {
 public:
  explicit Filter(Options options) : options_(std::move(options)) {}

  int Run() { return options_.to_unicode ? RunToUnicode() : RunToGlyphCodes(); }

  // How much input was read, for a message when memory runs out.
  [[nodiscard]] std::size_t BytesRead() const { return bytes_read_; }

 private:
  // Reads the next input within what is left of the limit; reports a failure.
  std::optional<int> Read(const std::string& input, std::string& bytes) {
    if (const auto failure = ReadAll(input, kMaxInputBytes - bytes_read_, bytes)) {
      Report(failure->message);
      return failure->status;
    }
    bytes_read_ += bytes.size();
    return std::nullopt;
  }

  // The inputs are read, then checked and converted in turn, piece by piece: the text is never
  // held in UTF-16 beside its output, and each input's bytes go once it is converted.
  int RunToGlyphCodes() {
    std::vector<std::string> inputs(options_.inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i)
      if (const auto status = Read(options_.inputs[i], inputs[i])) return *status;
    TextConverter converter(bytes_read_);  // never more units than bytes
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      const std::string& input = options_.inputs[i];
      std::string bytes = std::move(inputs[i]);
      if (options_.output_encoding == Encoding::kLatin1 &&
          options_.input_encoding == Encoding::kUtf8 &&
          utf8::is_valid(bytes.begin(), bytes.end())) {
        if (const auto character = FirstCharacterWithoutGlyph(bytes)) {
          Report(Position(input, PositionOfByte(bytes, character->first)) + ": U+" +
                 Hex(character->second, 4) +
                 " has no glyph code, so latin1 cannot hold it (use --output-encoding utf-8); "
                 "nothing was written");
          return kExitDataError;
        }
      }
      const auto add = [&converter](std::u16string_view piece) { converter.Add(piece); };
      if (const auto error = DecodeInput(bytes, options_.input_encoding, add)) {
        Report(InvalidUtf8Message(input, *error));
        return error->internal ? kExitSoftware : kExitDataError;
      }
    }
    return Write(std::move(converter).Finish());
  }

  int RunToUnicode() {
    std::u16string text;
    std::vector<InputSegment> segments;
    for (const std::string& input : options_.inputs) {
      std::string bytes;
      if (const auto status = Read(input, bytes)) return *status;
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
    return Write(std::move(result.text));
  }

  // Encodes the converted text piece by piece straight into the output.
  int Write(std::u16string converted) const {
    OutputFile output;
    if (const auto failure = output.Open(options_.output)) {
      Report(failure->message);
      return failure->status;
    }
    std::optional<OutputFailure> write_failure;
    const auto put = [&](std::string_view piece) {
      write_failure = output.Write(piece);
      return !write_failure.has_value();
    };
    const EncodeOutcome outcome = options_.output_encoding == Encoding::kLatin1
                                      ? EncodeLatin1(converted, put)
                                      : EncodeUtf8(converted, put);
    if (outcome.unwritable_unit) {
      Report("internal error: output unit 0x" + Hex(converted[*outcome.unwritable_unit], 4) +
             " at " + std::to_string(*outcome.unwritable_unit) +
             " cannot be encoded; nothing was written");
      return kExitSoftware;
    }
    if (!write_failure) write_failure = output.Commit();
    if (write_failure) {
      Report(write_failure->message);
      return write_failure->status;
    }
    return kExitOk;
  }

  Options options_;
  std::size_t bytes_read_ = 0;
};

}  // namespace

int RunCli(int argc, char** argv) {
  Options options;
  if (const auto status = ParseOptions(argc, argv, options)) return *status;
  Filter filter(std::move(options));
  try {
    return filter.Run();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  // Whatever was under way is abandoned: an output file not yet in place is removed.
  const std::size_t megabytes = (filter.BytesRead() + (std::size_t{1} << 20) - 1) >> 20;
  Report("not enough memory for " + std::to_string(megabytes) +
         " MB of input; nothing was written");
  return kExitOsError;
}

}  // namespace lipimattam
