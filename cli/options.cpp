#include "cli/options.h"

#include <getopt.h>

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "cli/exit_status.h"
#include "cli/file_names.h"
#include "cli/messages.h"

#ifndef LIPIMATTAM_VERSION
#define LIPIMATTAM_VERSION "0.0.0"
#endif

namespace lipimattam {
namespace {

constexpr unsigned kMostJobs = 256;

// Wrapped to 80 columns, as the GNU tools wrap theirs.
constexpr const char* kHelp = R"(Usage: lipimattam-cli [OPTION]... [FILE]...
Convert Unicode Malayalam text (UTF-8) into the 8-bit encoding of the font
ML-TTRevathi, or with --to-unicode text in that encoding back into Unicode.
Reads the FILEs in order, or standard input when none is given or for -, and
converts them as one text. With --output-dir or --in-place, converts each FILE
on its own instead (and with -r the files in each FOLDER), on every processor.
A Word (.docx) or OpenDocument (.odt) document among the inputs, known by its
content, is converted as a document: the Malayalam text changes encoding and
font, and everything else stays as it was. It is written to a file, never to a
terminal, and converted on its own, not joined with other inputs.

  -o, --output=FILE          write to FILE instead of standard output
      --to-unicode           convert text in the ML-TT encoding (ML-TTRevathi
                               and the ML-TT fonts that share its codes) into
                               Unicode Malayalam, written as UTF-8
      --output-encoding=ENCODING
                             utf-8 (default): each glyph code as the character
                               of the same value; latin1: one byte per glyph
                               code, for legacy programs; cp1252: as latin1,
                               with curly quotes, dashes and the ellipsis as
                               their Windows-1252 bytes
      --input-encoding=ENCODING
                             utf-8 (default): UTF-8 text, whose characters
                               U+0000..U+00FF are glyph codes with
                               --to-unicode; latin1: each byte is one character
                               (one glyph code); cp1252: as latin1, but the
                               bytes 0x80..0x9F are Windows-1252's quotes,
                               dashes and ellipsis; macroman (with
                               --to-unicode): UTF-8 text whose Mac Roman
                               characters stand for the codes, as in the Mac
                               versions of the fonts (∂ for 0xB6)
      --chillu=FORM          with --to-unicode: atomic (default) writes chillus
                               as the letters U+0D7A..U+0D7F; sequence as
                               consonant, virama, zero width joiner
      --digits=FORM          with --to-unicode: ascii (default) writes the
                               digit codes as ASCII digits; malayalam as
                               Malayalam digits
      --unicode-font=NAME    in documents: the font converted text is set in
                               with --to-unicode (default: AnjaliOldLipi)
      --ml-tt-font=NAME      in documents: the font converted text is set in
                               otherwise (default: ML-TTRevathi)
      --legacy-font=NAME     in documents, with --to-unicode: text in the font
                               NAME is in the ML-TT encoding too (repeatable)
      --output-dir=DIR       convert each input on its own into DIR, under its
                               own name (the files of a folder under their
                               names inside it); DIR is created
      --in-place             convert each input file into itself
  -r, --recursive            with --output-dir or --in-place: convert the files
                               in FOLDERs and their folders, keeping the
                               structure; hidden files and folders (.name) are
                               left alone
  -j, --jobs=N               with --output-dir or --in-place: convert N files
                               at once (default: two per processor)
      --max-input=SIZE       refuse an input of more than SIZE bytes (in all,
                               joined; of each file with --output-dir or
                               --in-place); SIZE may end in K, M or G (times
                               1024, 1024^2, 1024^3)
  -q, --quiet                no progress bar and no summary; errors and
                               warnings still show
  -h, --help                 show this help and exit
  -V, --version              show the version and exit

Exit status:
  0   success
  64  bad options
  65  an input that is not valid UTF-8, a character that latin1 or cp1252
      cannot hold, input over --max-input, or a document that cannot be
      converted (encrypted, a .doc, broken XML, over 1024 MiB)
  66  an input that is missing, cannot be read, or is a folder
  70  an internal error
  71  not enough memory
  73  an output that cannot be created: a missing folder, no permission, a loop
      of symbolic links
  74  an output that cannot be written: a full disk, a file-size limit, an I/O
      error, a closed standard output
Text is converted as it is read, in constant memory, and written as it is
converted. Nothing is written when the status is not 0, except what a failing
output took and what a pipe or a terminal on standard output already took: the
text before the problem. Standard output redirected to a file is cut back.
-o replaces FILE with a new file, written whole before it takes FILE's place;
other hard links to the old file keep the old text. --output-dir and --in-place
write each output so; a file that fails is reported and the others go on, and
the status is the most serious one met (70, 71, 74, 73, 66, 65 in that order).
)";

// The options with a long name only.
enum LongOnly : int {
  kOutputEncoding = 256,
  kToUnicode,
  kInputEncoding,
  kChillu,
  kDigits,
  kOutputDir,
  kInPlace,
  kUnicodeFont,
  kMlTtFont,
  kLegacyFont,
  kMaxInput,
};

constexpr const char* kShortOptions = ":o:rj:qhV";  // ':' first: a missing value returns ':'
constexpr option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'},
    {"to-unicode", no_argument, nullptr, kToUnicode},
    {"output-encoding", required_argument, nullptr, kOutputEncoding},
    {"input-encoding", required_argument, nullptr, kInputEncoding},
    {"chillu", required_argument, nullptr, kChillu},
    {"digits", required_argument, nullptr, kDigits},
    {"output-dir", required_argument, nullptr, kOutputDir},
    {"in-place", no_argument, nullptr, kInPlace},
    {"unicode-font", required_argument, nullptr, kUnicodeFont},
    {"ml-tt-font", required_argument, nullptr, kMlTtFont},
    {"legacy-font", required_argument, nullptr, kLegacyFont},
    {"max-input", required_argument, nullptr, kMaxInput},
    {"recursive", no_argument, nullptr, 'r'},
    {"jobs", required_argument, nullptr, 'j'},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// A usage error as the GNU tools give one: the problem, then where to read more.
int UsageError(const std::string& problem) {
  Report(problem);
  std::fprintf(stderr, "Try '%s --help' for more information.\n", kProgram);
  return kExitUsage;
}

// Sets `choice` to the value named by `text` (any case); false when no name matches.
template <typename Value>
bool ParseChoice(std::string_view text, std::initializer_list<std::pair<const char*, Value>> names,
                 Value& choice) {
  const auto same = [text](std::string_view name) {
    if (name.size() != text.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(text[i])) != name[i]) return false;
    return true;
  };
  for (const auto& [name, value] : names) {
    if (same(name)) {
      choice = value;
      return true;
    }
  }
  return false;
}

// "4096", "64K", "100M", "3G": bytes, or 1024, 1024^2 or 1024^3 of them.
std::optional<std::uint64_t> ParseSize(std::string_view text) {
  std::uint64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  const std::string_view suffix(end, static_cast<std::size_t>(text.data() + text.size() - end));
  int shift = 0;
  if (suffix == "K" || suffix == "k") {
    shift = 10;
  } else if (suffix == "M") {
    shift = 20;
  } else if (suffix == "G") {
    shift = 30;
  } else if (!suffix.empty()) {
    return std::nullopt;
  }
  if (number > (UINT64_MAX >> shift)) return std::nullopt;
  return number << shift;
}

std::string InvalidArgument(const char* value, const char* option, const char* valid) {
  return "invalid argument '" + Printable(value) + "' for '" + option + "' (use " + valid + ")";
}

}  // namespace

std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  // Mac Roman is read only: it stands for no output.
  const std::initializer_list<std::pair<const char*, Encoding>> encodings = {
      {"utf-8", Encoding::kUtf8},          {"utf8", Encoding::kUtf8},
      {"latin1", Encoding::kLatin1},       {"latin-1", Encoding::kLatin1},
      {"iso-8859-1", Encoding::kLatin1},   {"cp1252", Encoding::kCp1252},
      {"windows-1252", Encoding::kCp1252}, {"macroman", Encoding::kMacRoman},
      {"mac-roman", Encoding::kMacRoman},  {"macintosh", Encoding::kMacRoman}};
  constexpr const char* kEncodingNames = "utf-8, latin1 or cp1252";
  using Chillu = ToUnicodeOptions::Chillu;
  using Digits = ToUnicodeOptions::Digits;
  bool output_given = false;
  bool forms_given = false;
  bool jobs_given = false;

  ::opterr = 0;  // the messages are the program's own, with its name
  ::optind = 1;
  for (;;) {
    const int option = ::getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr);
    if (option == -1) break;
    const char* const value = ::optarg;
    switch (option) {
      case 'h':
        std::fputs(kHelp, stdout);
        return kExitOk;
      case 'V':
        std::printf("%s %s\n", kProgram, LIPIMATTAM_VERSION);
        return kExitOk;
      case 'o':
        options.output = value;
        output_given = true;
        if (options.output.empty()) return UsageError("the output file name is empty");
        break;
      case kToUnicode:
        options.to_unicode = true;
        break;
      case kOutputEncoding:
        if (!ParseChoice(value, encodings, options.output_encoding) ||
            options.output_encoding == Encoding::kMacRoman)
          return UsageError(InvalidArgument(value, "--output-encoding", kEncodingNames));
        break;
      case kInputEncoding:
        if (!ParseChoice(value, encodings, options.input_encoding))
          return UsageError(
              InvalidArgument(value, "--input-encoding", "utf-8, latin1, cp1252 or macroman"));
        break;
      case kChillu:
        forms_given = true;
        if (!ParseChoice(value, {{"atomic", Chillu::kAtomic}, {"sequence", Chillu::kSequence}},
                         options.to_unicode_options.chillu))
          return UsageError(InvalidArgument(value, "--chillu", "atomic or sequence"));
        break;
      case kDigits:
        forms_given = true;
        if (!ParseChoice(value, {{"ascii", Digits::kAscii}, {"malayalam", Digits::kMalayalam}},
                         options.to_unicode_options.digits))
          return UsageError(InvalidArgument(value, "--digits", "ascii or malayalam"));
        break;
      case kOutputDir:
        options.output_dir = value;
        if (options.output_dir->empty()) return UsageError("the output folder name is empty");
        break;
      case kInPlace:
        options.in_place = true;
        break;
      case kUnicodeFont:
      case kMlTtFont:
      case kLegacyFont: {
        const std::string name = value;
        if (name.empty() || name.size() > 255 || name.find_first_of("\n\r\t") != std::string::npos)
          return UsageError("invalid font name '" + Printable(name) + "'");
        if (option == kUnicodeFont) options.documents.unicode_font = name;
        if (option == kMlTtFont) options.documents.ml_tt_font = name;
        if (option == kLegacyFont) options.documents.legacy_fonts.push_back(name);
        break;
      }
      case kMaxInput:
        options.max_input = ParseSize(value);
        if (!options.max_input)
          return UsageError(
              InvalidArgument(value, "--max-input", "a number of bytes, or with K, M or G"));
        break;
      case 'r':
        options.recursive = true;
        break;
      case 'j': {
        jobs_given = true;
        const std::string_view text = value;
        unsigned jobs = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
        if (error != std::errc() || end != text.data() + text.size() || jobs == 0 ||
            jobs > kMostJobs)
          return UsageError("invalid number of jobs '" + Printable(text) + "' (use 1 to " +
                            std::to_string(kMostJobs) + ")");
        options.jobs = jobs;
        break;
      }
      case 'q':
        options.quiet = true;
        break;
      case ':': {  // a value is missing
        const std::string_view given = argv[::optind - 1];
        if (given.substr(0, 2) == "--")
          return UsageError("option '" + Printable(given) + "' requires an argument");
        return UsageError(std::string("option requires an argument -- '") +
                          static_cast<char>(::optopt) + "'");
      }
      default: {  // '?': an option it does not know, or a long one it cannot tell apart
        if (::optopt > 0 && ::optopt < 128 && std::isprint(::optopt) != 0)
          return UsageError(std::string("invalid option -- '") + static_cast<char>(::optopt) + "'");
        return UsageError("unrecognized option '" + Printable(argv[::optind - 1]) + "'");
      }
    }
  }
  for (int i = ::optind; i < argc; ++i) options.inputs.emplace_back(argv[i]);

  if (!options.to_unicode && forms_given)
    return UsageError("--chillu and --digits go with --to-unicode");
  if (!options.to_unicode && options.input_encoding == Encoding::kMacRoman)
    return UsageError("--input-encoding macroman goes with --to-unicode");
  if (options.to_unicode && options.output_encoding != Encoding::kUtf8)
    return UsageError("--to-unicode writes Unicode text: its output encoding is utf-8");
  if (options.output_dir && options.in_place)
    return UsageError("--output-dir and --in-place exclude each other");
  if (options.IsBatch()) {
    if (output_given)
      return UsageError(
          "-o joins the inputs into one output; --output-dir and --in-place "
          "convert each on its own");
    if (options.inputs.empty())
      return UsageError("--output-dir and --in-place need the files or folders to convert");
    for (const std::string& input : options.inputs)
      if (input == kStandardStream)
        return UsageError("--output-dir and --in-place convert files, not standard input");
  } else if (options.recursive || jobs_given) {
    return UsageError("-r and --jobs go with --output-dir or --in-place");
  }
  if (options.inputs.empty()) options.inputs.emplace_back(kStandardStream);
  return std::nullopt;
}

}  // namespace lipimattam
