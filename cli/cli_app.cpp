#include "cli/cli_app.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCommandLineParser>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
// The most text converted at once: the whole text is held in memory about four times over.
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
  return input == kStandardStream ? "<stdin>" : input;
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
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

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

  const auto usage_error = [](const QString& problem) {
    Report(problem.toStdString());
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
        "\nExit status: 0 on success, 64 bad options, 65 input that is not valid UTF-8 or a\n"
        "character latin1 cannot hold, 66 an input that cannot be read, 73 an output that\n"
        "cannot be created, 74 an output that cannot be written.\n",
        stdout);
    return kExitOk;
  }
  if (parser.isSet(version_option)) {
    std::printf("%s %s\n", kProgram, LIPIMATTAM_VERSION);
    return kExitOk;
  }
  if (parser.isSet(output_option)) {
    options.output = QFile::encodeName(parser.value(output_option)).toStdString();
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
    options.inputs.push_back(QFile::encodeName(input).toStdString());
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

// Reads and decodes every input into one text; returns the exit status on failure.
std::optional<int> ReadInputs(const Options& options, std::u16string& text,
                              std::vector<InputSegment>& segments) {
  std::size_t bytes_read = 0;
  for (const std::string& input : options.inputs) {
    std::string bytes;
    if (const auto failure = ReadAll(input, kMaxInputBytes - bytes_read, bytes)) {
      Report(failure->message);
      return failure->status;
    }
    bytes_read += bytes.size();
    segments.push_back({DisplayName(input), text.size()});
    if (options.input_encoding == Encoding::kLatin1) {
      const std::size_t start = text.size();
      text.resize(start + bytes.size());
      std::transform(
          bytes.begin(), bytes.end(), text.begin() + static_cast<long>(start),
          [](char byte) { return static_cast<char16_t>(static_cast<unsigned char>(byte)); });
      continue;
    }
    if (const auto error = AppendUtf8AsUtf16(bytes, text)) {
      Report(DisplayName(input) + ":" + std::to_string(error->position.line) + ":" +
             std::to_string(error->position.column) + ": invalid UTF-8 at byte offset " +
             std::to_string(error->byte_offset) + " (byte 0x" + Hex(error->byte, 2) +
             "); nothing was written");
      return kExitDataError;
    }
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

// The first input character the font has no glyph for; it comes through the conversion
// unchanged, so latin1 cannot hold the output.
std::optional<std::size_t> FirstUnitWithoutGlyph(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] <= 0xFF) continue;
    const GlyphString glyphs = MapCodeUnit(text[i]);
    for (std::size_t k = 0; k < glyphs.size(); ++k)
      if (glyphs[k] > 0xFF) return i;
  }
  return std::nullopt;
}

std::optional<std::string> WriteAllToFd(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return SystemError(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return std::nullopt;
}

int WriteOutput(const std::string& output, const std::string& bytes) {
  if (output == kStandardStream) {
    if (const auto failure = WriteAllToFd(STDOUT_FILENO, bytes)) {
      Report("cannot write to standard output: " + *failure);
      return kExitIoError;
    }
    return kExitOk;
  }
  const QString path = QFile::decodeName(output.c_str());
  std::error_code error;
  const auto status = std::filesystem::status(output, error);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    // A device or a pipe cannot be replaced by a new file: write to it directly.
    QFile device(path);
    if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
      Report("cannot open " + output + ": " + device.errorString().toStdString());
      return kExitCantCreate;
    }
    if (const auto failure = WriteAllToFd(device.handle(), bytes)) {
      Report("cannot write " + output + ": " + *failure);
      return kExitIoError;
    }
    return kExitOk;
  }
  // The text goes to a new file next to the target, which replaces the target only when
  // everything is written: a failed run leaves no half-written file behind.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    Report("cannot create " + output + ": " + file.errorString().toStdString());
    return kExitCantCreate;
  }
  if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size()) ||
      !file.commit()) {
    Report("cannot write " + output + ": " + file.errorString().toStdString());
    file.cancelWriting();
    return kExitIoError;
  }
  return kExitOk;
}

}  // namespace

int RunCli(int argc, char** argv) {
  Options options;
  if (const auto status = ParseOptions(argc, argv, options)) return *status;

  std::u16string text;
  std::vector<InputSegment> segments;
  if (const auto status = ReadInputs(options, text, segments)) return *status;

  std::u16string converted;
  if (options.to_unicode) {
    ToUnicodeResult result = ConvertToUnicode(text, options.to_unicode_options);
    if (result.unknown_codes != 0) {
      Report("warning: " + std::to_string(result.unknown_codes) +
             " glyph code(s) with no meaning in the ML-TT encoding were copied unchanged; the "
             "first, 0x" +
             Hex(text[result.first_unknown], 2) + ", is at " +
             Locate(text, segments, result.first_unknown));
    }
    converted = std::move(result.text);
  } else {
    if (options.output_encoding == Encoding::kLatin1) {
      if (const auto unit = FirstUnitWithoutGlyph(text)) {
        Report(Locate(text, segments, *unit) + ": U+" + Hex(text[*unit], 4) +
               " has no glyph code, so latin1 cannot hold it (use --output-encoding utf-8); "
               "nothing was written");
        return kExitDataError;
      }
    }
    converted = ConvertText(text);
  }
  std::u16string().swap(text);

  const EncodeResult encoded = options.output_encoding == Encoding::kLatin1
                                   ? EncodeUnitsAsLatin1(converted)
                                   : EncodeUnitsAsUtf8(converted);
  if (encoded.unwritable_unit) {
    Report("internal error: output unit 0x" + Hex(converted[*encoded.unwritable_unit], 4) + " at " +
           std::to_string(*encoded.unwritable_unit) + " cannot be encoded; nothing was written");
    return kExitSoftware;
  }
  std::u16string().swap(converted);
  return WriteOutput(options.output, encoded.bytes);
}

}  // namespace lipimattam
