#include "cli/options.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <initializer_list>
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

}  // namespace

std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << ArgumentText(argv[i]);

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Converts Unicode Malayalam text (UTF-8) into the 8-bit encoding of the font "
      "ML-TTRevathi, or with --to-unicode text in that encoding back into Unicode.\nReads the "
      "FILEs in order, or standard input when none is given or for -, and converts them as one "
      "text.\nWith --output-dir or --in-place, converts each FILE on its own instead (and with "
      "-r the files in each FOLDER), on every processor at once.");
  const QCommandLineOption help_option({"h", "help"}, "Show this help and exit.");
  const QCommandLineOption version_option({"V", "version"}, "Show the version and exit.");
  const QCommandLineOption output_option({"o", "output"},
                                         "Write to FILE instead of standard output.", "FILE");
  const QCommandLineOption encoding_option(
      "output-encoding",
      "utf-8 (default): each glyph code as the character of the same value; latin1: one byte "
      "per glyph code, for legacy programs; cp1252: as latin1, with curly quotes, dashes and "
      "the ellipsis as their Windows-1252 bytes.",
      "ENCODING", "utf-8");
  const QCommandLineOption to_unicode_option(
      "to-unicode",
      "Convert text in the ML-TT encoding (ML-TTRevathi and the ML-TT fonts that share its "
      "codes) into Unicode Malayalam, written as UTF-8.");
  const QCommandLineOption input_encoding_option(
      "input-encoding",
      "utf-8 (default): the input is UTF-8 text, whose characters U+0000..U+00FF are glyph "
      "codes with --to-unicode; latin1: each byte is one character (one glyph code); cp1252: "
      "as latin1, but the bytes 0x80..0x9F are Windows-1252's quotes, dashes and ellipsis.",
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
  const QCommandLineOption output_dir_option(
      "output-dir",
      "Convert each input on its own into DIR, under its own name (the files of a folder under "
      "their names inside it); DIR is created.",
      "DIR");
  const QCommandLineOption in_place_option("in-place", "Convert each input file into itself.");
  const QCommandLineOption recursive_option(
      {"r", "recursive"},
      "With --output-dir or --in-place: convert the files in FOLDERs and their folders, keeping "
      "the structure. Hidden files and folders (.name) are left alone.");
  const QCommandLineOption jobs_option(
      {"j", "jobs"},
      "With --output-dir or --in-place: convert N files at once (default: two per "
      "processor).",
      "N");
  const QCommandLineOption quiet_option(
      {"q", "quiet"}, "No progress bar and no summary; errors and warnings still show.");
  parser.addOptions({help_option, version_option, output_option, encoding_option, to_unicode_option,
                     input_encoding_option, chillu_option, digits_option, output_dir_option,
                     in_place_option, recursive_option, jobs_option, quiet_option});
  parser.addPositionalArgument("FILE", "Text to convert; - for standard input.", "[FILE...]");

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
        "  65  an input that is not valid UTF-8, a character that latin1 or cp1252 cannot\n"
        "      hold, or input over the limit of 1024 MiB in all\n"
        "  66  an input that is missing, cannot be read, or is a folder\n"
        "  70  an internal error\n"
        "  71  not enough memory\n"
        "  73  an output that cannot be created: a missing folder, no permission, a loop of\n"
        "      symbolic links\n"
        "  74  an output that cannot be written: a full disk, a file-size limit, an I/O error,\n"
        "      a closed standard output\n"
        "Nothing is written when the status is not 0, except what a failing output took.\n"
        "-o replaces FILE with a new file, written whole before it takes FILE's place; other\n"
        "hard links to the old file keep the old text. --output-dir and --in-place write each\n"
        "output so; a file that fails is reported and the others go on, and the status is the\n"
        "most serious one met (70, 71, 74, 73, 66, 65 in that order).\n",
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
      {"utf-8", Encoding::kUtf8},         {"utf8", Encoding::kUtf8},
      {"latin1", Encoding::kLatin1},      {"latin-1", Encoding::kLatin1},
      {"iso-8859-1", Encoding::kLatin1},  {"cp1252", Encoding::kCp1252},
      {"windows-1252", Encoding::kCp1252}};
  const auto parse_encoding = [&](const QCommandLineOption& option, Encoding& encoding) {
    return ParseChoice(parser.value(option), encodings, encoding);
  };
  if (!parse_encoding(encoding_option, options.output_encoding))
    return usage_error("unknown output encoding '" + parser.value(encoding_option) +
                       "' (use utf-8, latin1 or cp1252)");
  if (!parse_encoding(input_encoding_option, options.input_encoding))
    return usage_error("unknown input encoding '" + parser.value(input_encoding_option) +
                       "' (use utf-8, latin1 or cp1252)");
  options.to_unicode = parser.isSet(to_unicode_option);
  if (!options.to_unicode && (parser.isSet(chillu_option) || parser.isSet(digits_option)))
    return usage_error("--chillu and --digits go with --to-unicode");
  if (options.to_unicode && options.output_encoding != Encoding::kUtf8)
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

  if (parser.isSet(output_dir_option)) {
    options.output_dir = ArgumentBytes(parser.value(output_dir_option));
    if (options.output_dir->empty()) return usage_error("the output folder name is empty");
  }
  options.in_place = parser.isSet(in_place_option);
  options.recursive = parser.isSet(recursive_option);
  options.quiet = parser.isSet(quiet_option);
  if (parser.isSet(jobs_option)) {
    bool number = false;
    const unsigned jobs = parser.value(jobs_option).toUInt(&number);
    if (!number || jobs == 0 || jobs > kMostJobs)
      return usage_error("--jobs takes a number from 1 to " + QString::number(kMostJobs) +
                         ", not '" + parser.value(jobs_option) + "'");
    options.jobs = jobs;
  }
  if (options.output_dir && options.in_place)
    return usage_error("--output-dir and --in-place exclude each other");
  if (options.IsBatch()) {
    if (parser.isSet(output_option))
      return usage_error(
          "-o joins the inputs into one output; --output-dir and --in-place "
          "convert each on its own");
    if (options.inputs.empty())
      return usage_error("--output-dir and --in-place need the files or folders to convert");
    for (const std::string& input : options.inputs)
      if (input == kStandardStream)
        return usage_error("--output-dir and --in-place convert files, not standard input");
  } else if (options.recursive || parser.isSet(jobs_option)) {
    return usage_error("-r and --jobs go with --output-dir or --in-place");
  }
  if (options.inputs.empty()) options.inputs.emplace_back(kStandardStream);
  return std::nullopt;
}

}  // namespace lipimattam
