// The filter end to end: the built executable run through a shell, as a user runs it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <lipimattam/to_unicode.h>

#include "cli/messages.h"
#include "tests/cli_fixture.h"
#include "tests/test_text.h"

namespace {

using lipimattam::testing::CliRun;
using lipimattam::testing::CliTest;
using lipimattam::testing::FaultLibraryWorks;
using lipimattam::testing::Preloaded;
using lipimattam::testing::Quote;
using lipimattam::testing::ReadFile;
using lipimattam::testing::WriteFile;
namespace fs = std::filesystem;

// KA, VIRAMA, RA, VOWEL SIGN AI, space, NA, VIRAMA, ZWJ, CR LF.
const std::string kMalayalam =
    "\xE0\xB4\x95\xE0\xB5\x8D\xE0\xB4\xB0\xE0\xB5\x88 "
    "\xE0\xB4\xA8\xE0\xB5\x8D\xE2\x80\x8D\r\n";
// "ss{I ³" CR LF, with 0xB3 as the character U+00B3.
const std::string kConvertedUtf8 = "ss{I \xC2\xB3\r\n";

TEST_F(CliTest, ConvertsStandardInputToStandardOutput) {
  const CliRun run = RunCli({}, kMalayalam);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, kConvertedUtf8);
  EXPECT_EQ(run.err, "");
}

TEST_F(CliTest, LeadingByteOrderMarkIsNotConverted) {
  EXPECT_EQ(RunCli({}, "\xEF\xBB\xBF" + kMalayalam).out, kConvertedUtf8);
}

TEST_F(CliTest, FilesAreReadInOrderAndConvertedAsOneText) {
  WriteFile(Path("a.txt"), "\xE0\xB4\x95");              // KA
  WriteFile(Path("b.txt"), "\xEF\xBB\xBF\xE0\xB5\x86");  // BOM, VOWEL SIGN E
  const CliRun run = RunCli({"a.txt", "-", "b.txt"}, "x");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Isx");  // the E sign stands before the last unit of the text so far
}

TEST_F(CliTest, OutputFileIsWrittenWholeAndReplacesTheOldOne) {
  WriteFile(Path("in.txt"), kMalayalam);
  WriteFile(Path("out.txt"), "old text");
  const CliRun run = RunCli({"in.txt", "-o", "out.txt"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadFile(Path("out.txt")), kConvertedUtf8);
  std::vector<std::string> left = Leftovers();
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"in.txt", "out.txt"})) << "no temporary file is left";
}

TEST_F(CliTest, Latin1WritesOneBytePerGlyphCode) {
  const CliRun run = RunCli({"--output-encoding", "latin1"}, kMalayalam);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "ss{I \xB3\r\n");
}

// Curly quotes, dashes and the ellipsis have no glyph code: cp1252 writes their Windows-1252
// bytes, and reads them back, where latin1 refuses them.
TEST_F(CliTest, Cp1252WritesAndReadsWindowsPunctuation) {
  const std::string quoted =
      "\xE2\x80\x9C\xE0\xB4\x95\xE2\x80\x9D \xE2\x80\x93 \xE2\x80\x94 "
      "\xE2\x80\xA6 \xE2\x80\x98\xE2\x80\x99";  // “ക” – — … ‘’
  const CliRun forward = RunCli({"--output-encoding", "cp1252"}, quoted);
  EXPECT_EQ(forward.status, 0) << forward.err;
  EXPECT_EQ(forward.out, "\x93I\x94 \x96 \x97 \x85 \x91\x92");
  EXPECT_EQ(RunCli({"--output-encoding", "latin1"}, quoted).status, 65);

  const CliRun back = RunCli({"--to-unicode", "--input-encoding", "cp1252"}, forward.out);
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.out, quoted);
  EXPECT_EQ(back.err, "");

  // The five bytes Windows-1252 leaves undefined stay glyph codes, without meaning.
  const CliRun undefined =
      RunCli({"--to-unicode", "--input-encoding", "cp1252"}, "I\x81\x8D\x8F\x90\x9D");
  EXPECT_EQ(undefined.out, "\xE0\xB4\x95\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
  EXPECT_NE(undefined.err.find("warning: 5 glyph code"), std::string::npos) << undefined.err;

  // Forward, cp1252 input is read as the characters it stands for.
  EXPECT_EQ(RunCli({"--input-encoding", "cp1252"}, "\x93x\x94").out, "\xE2\x80\x9Cx\xE2\x80\x9D");
}

TEST_F(CliTest, ToUnicodeReadsTheGlyphCodesBack) {
  const CliRun forward = RunCli({}, kMalayalam);
  const CliRun back = RunCli({"--to-unicode"}, forward.out);
  EXPECT_EQ(back.status, 0) << back.err;
  // The chillu N written with the joiner comes back as the atomic letter.
  EXPECT_EQ(back.out, "\xE0\xB4\x95\xE0\xB5\x8D\xE0\xB4\xB0\xE0\xB5\x88 \xE0\xB5\xBB\r\n");
  EXPECT_EQ(back.err, "");
}

TEST_F(CliTest, ToUnicodeTakesRawBytesAndOptions) {
  // "ss{I", space, chillu N, digit codes 2 and 0, as bytes.
  const CliRun run = RunCli({"--to-unicode", "--input-encoding", "latin1", "--chillu", "sequence",
                             "--digits", "malayalam"},
                            "ss{I \xB3 20");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "\xE0\xB4\x95\xE0\xB5\x8D\xE0\xB4\xB0\xE0\xB5\x88 "
            "\xE0\xB4\xA8\xE0\xB5\x8D\xE2\x80\x8D \xE0\xB5\xA8\xE0\xB5\xA6");
}

TEST_F(CliTest, ToUnicodeWarnsOfCodesWithNoMeaning) {
  const CliRun run = RunCli({"--to-unicode", "--input-encoding", "latin1"}, "I\n I\xE5\xE5");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "\xE0\xB4\x95\n \xE0\xB4\x95\xC3\xA5\xC3\xA5");
  EXPECT_NE(run.err.find("warning: 2 glyph code"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("<stdin>:2:3"), std::string::npos) << run.err;
}

TEST_F(CliTest, HelpAndVersion) {
  const CliRun help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--output-encoding"), std::string::npos);
  for (std::size_t start = 0, end = 0; start < help.out.size(); start = end + 1) {
    end = help.out.find('\n', start);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - start, 79u) << help.out.substr(start, end - start);  // 80 columns
  }
  const CliRun version = RunCli({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("lipimattam-cli ", 0), 0u);
}

struct Failure {
  const char* what;
  std::vector<std::string> arguments;
  std::string input;
  int status;
  std::vector<std::string> message_parts;
};

void PrintTo(const Failure& failure, std::ostream* os) {
  *os << failure.what;
}

class CliFailure : public CliTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(CliFailure, ReportsWhereAndWritesNothing) {
  const Failure& f = GetParam();
  WriteFile(Path("bad.txt"), "ok\n\xE0\xB4\x95\xE0\xB4 more");  // a truncated KA on line 2
  WriteFile(Path("han.txt"), "\xE0\xB4\x95\n ab\xE4\xB8\xAD");  // U+4E2D at line 2, column 4
  WriteFile(Path("good.txt"), "\xE0\xB4\x95\n");
  WriteFile(Path("cr.txt"), "a\rb\r\r\xE0\xB4\x95\xFF");  // lines end at a lone CR
  WriteFile(Path("bom.txt"),
            "\xEF\xBB\xBF"
            "ab\xFF");                                 // the mark is no column
  WriteFile(Path("emoji.txt"), "ab\xF0\x9F\x98\x80");  // U+1F600 at column 3
  WriteFile(Path("existing.txt"), "keep me");
  fs::create_directories(Path("folder"));
  WriteFile(Path("huge.txt"), "");
  fs::resize_file(Path("huge.txt"), std::uintmax_t{2} << 30);  // 2 GiB, sparse
  const std::vector<std::string> made = Leftovers();
  const CliRun run = RunCli(f.arguments, f.input);
  EXPECT_EQ(run.status, f.status) << f.what << ": " << run.err;
  EXPECT_EQ(run.out, "") << f.what;
  for (const std::string& part : f.message_parts)
    EXPECT_NE(run.err.find(part), std::string::npos) << f.what << ": " << run.err;
  EXPECT_EQ(ReadFile(Path("existing.txt")), "keep me") << f.what;
  EXPECT_FALSE(fs::exists(Path("new.txt"))) << f.what;
  EXPECT_EQ(Leftovers(), made) << f.what << ": no temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(
    ExitStatuses, CliFailure,
    ::testing::Values(
        Failure{"invalid UTF-8 in a file",
                {"bad.txt", "-o", "existing.txt"},
                "",
                65,
                {"bad.txt:2:2", "byte offset 6", "0xE0"}},
        Failure{"invalid UTF-8 on standard input",
                {"-o", "new.txt"},
                "a\xFF",
                65,
                {"<stdin>:1:2", "byte offset 1"}},
        Failure{"a character latin1 cannot hold",
                {"--output-encoding", "latin1", "han.txt", "-o", "existing.txt"},
                "",
                65,
                {"han.txt:2:4", "U+4E2D"}},
        Failure{"a missing input", {"missing.txt", "-o", "new.txt"}, "", 66, {"missing.txt"}},
        Failure{"a folder as input", {"folder", "-o", "new.txt"}, "", 66, {"folder"}},
        Failure{"an input that cannot be read",
                {"/proc/self/mem", "-o", "new.txt"},
                "",
                66,
                {"cannot read /proc/self/mem"}},
        Failure{"an input over the limit",
                {"--max-input", "1G", "huge.txt", "-o", "new.txt"},
                "",
                65,
                {"huge.txt: the input is larger than --max-input 1073741824 bytes"}},
        Failure{"a place where no file can be made",
                {"-o", "/proc/lipimattam-test.txt"},
                "x",
                73,
                {"cannot create /proc/lipimattam-test.txt"}},
        Failure{"an output folder that does not exist",
                {"-o", "nowhere/new.txt"},
                "x",
                73,
                {"nowhere/new.txt"}},
        Failure{"a full device", {"-o", "/dev/full"}, "x", 74, {"/dev/full"}},
        // Option errors in the words of the GNU tools.
        Failure{"an unknown option",
                {"--frobnicate"},
                "x",
                64,
                {"lipimattam-cli: unrecognized option '--frobnicate'\n"
                 "Try 'lipimattam-cli --help' for more information.\n"}},
        Failure{"an unknown short option", {"-Z"}, "x", 64, {": invalid option -- 'Z'\n"}},
        Failure{"an unknown encoding",
                {"--output-encoding", "ebcdic"},
                "x",
                64,
                {"invalid argument 'ebcdic' for '--output-encoding'"}},
        Failure{"a missing option value", {"-o"}, "x", 64, {"option requires an argument -- 'o'"}},
        Failure{"a missing long option value",
                {"--output-dir"},
                "x",
                64,
                {"option '--output-dir' requires an argument"}},
        Failure{
            "chillu form without --to-unicode", {"--chillu", "atomic"}, "x", 64, {"--to-unicode"}},
        Failure{"Unicode written as latin1",
                {"--to-unicode", "--output-encoding", "latin1"},
                "x",
                64,
                {"utf-8"}},
        Failure{"an unknown digit form", {"--to-unicode", "--digits", "roman"}, "x", 64, {"roman"}},
        Failure{"invalid UTF-8 read back",
                {"--to-unicode", "-o", "new.txt"},
                "I\xC3",
                65,
                {"byte offset 1"}},
        Failure{"invalid UTF-8 after lone CRs", {"cr.txt"}, "", 65, {"cr.txt:4:2", "offset 8"}},
        Failure{"invalid UTF-8 after a byte order mark", {"bom.txt"}, "", 65, {"bom.txt:1:3"}},
        Failure{"invalid UTF-8 in the second file",
                {"good.txt", "bad.txt", "-o", "existing.txt"},
                "",
                65,
                {"bad.txt:2:2"}},
        Failure{"latin1 and a character in the second file",
                {"--output-encoding", "latin1", "good.txt", "han.txt"},
                "",
                65,
                {"han.txt:2:4", "U+4E2D"}},
        Failure{"cp1252 and a character it has no byte for",
                {"--output-encoding", "cp1252", "good.txt", "han.txt"},
                "",
                65,
                {"han.txt:2:4", "U+4E2D", "cp1252 cannot hold it"}},
        Failure{"cp1252 with --to-unicode",
                {"--to-unicode", "--output-encoding", "cp1252"},
                "x",
                64,
                {"utf-8"}},
        Failure{"latin1 and a character beyond the BMP",
                {"--output-encoding", "latin1", "emoji.txt"},
                "",
                65,
                {"emoji.txt:1:3", "U+1F600"}}),
    lipimattam::testing::NameFromWhat());

TEST_F(CliTest, EmptyInputGivesEmptyOutput) {
  WriteFile(Path("empty.txt"), "");
  const CliRun piped = RunCli({});
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, "");
  const CliRun to_file = RunCli({"empty.txt", "-o", "out.txt"});
  EXPECT_EQ(to_file.status, 0) << to_file.err;
  EXPECT_TRUE(fs::exists(Path("out.txt")));
  EXPECT_EQ(ReadFile(Path("out.txt")), "");
}

TEST_F(CliTest, ClosedStandardOutputIsAnError) {
  const CliRun run = RunCli({}, "x", ">&-");
  EXPECT_EQ(run.status, 74);
  EXPECT_NE(run.err.find("standard output"), std::string::npos) << run.err;
}

// A reader that stops early ends the filter through SIGPIPE, quietly, as with other filters.
TEST_F(CliTest, BrokenPipeEndsQuietly) {
  std::string big;
  for (int i = 0; i < 200000; ++i) big += "à´àµ ";
  WriteFile(Path("big.txt"), big);
  const std::string command = "cd " + Quote(dir_.string()) + " && bash -c " +
                              Quote(Quote(LIPIMATTAM_CLI_PATH) +
                                    " big.txt 2> stderr | head -c 1 > /dev/null; "
                                    "echo ${PIPESTATUS[0]} > status");
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadFile(Path("status")), "141\n");
  EXPECT_EQ(ReadFile(Path("stderr")), "");
}

TEST_F(CliTest, FullStandardOutputIsAnError) {
  const CliRun run = RunCli({}, "x", "> /dev/full");
  EXPECT_EQ(run.status, 74);
  EXPECT_NE(run.err.find("standard output"), std::string::npos);
}

TEST_F(CliTest, HelpGivesEveryReasonOfEveryStatus) {
  const CliRun help = RunCli({"--help"});
  for (const char* part :
       {"  64 ", "  65 ", "over --max-input", "  66 ", "  70 ", "  71 ", "not enough memory",
        "  73 ", "symbolic links", "  74 ", "file-size limit", "hard links"})
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
}

// Names are bytes: opened as given, and shown escaped where they are not UTF-8.
TEST_F(CliTest, FileNamesAreTakenAsBytes) {
  WriteFile(Path("in\xFF.txt"), "\xE0\xB4\x95");
  const CliRun run = RunCli({"in\xFF.txt", "-o", "out\xFE.txt"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(Path("out\xFE.txt")), "I");
  const CliRun missing = RunCli({"mi\xFFssing\n.txt"});
  EXPECT_EQ(missing.status, 66);
  EXPECT_NE(missing.err.find("cannot read mi\\xFFssing\\n.txt:"), std::string::npos) << missing.err;
}

// A descriptor named as a file is written as it is: the shell's appending file keeps its text.
TEST_F(CliTest, DescriptorsNamedAsFilesAreWrittenAsTheyAre) {
  WriteFile(Path("k.txt"), "\xE0\xB4\x95");
  const std::pair<const char*, const char*> targets[] = {{"/dev/stdout", ">>"},
                                                         {"/dev/stderr", "2>>"},
                                                         {"/proc/self/fd/1", ">>"},
                                                         {"/dev/fd/1", ">>"},
                                                         {"/dev/fd/7", "7>>"}};
  for (const auto& [name, redirection] : targets) {
    WriteFile(Path("log.txt"), "log line\n");
    const CliRun run =
        RunShell("\"$CLI\" k.txt -o " + std::string(name) + " " + redirection + " log.txt");
    EXPECT_EQ(run.status, 0) << name << ": " << run.err;
    EXPECT_EQ(ReadFile(Path("log.txt")), "log line\nI") << name;
  }
  const CliRun closed = RunShell("\"$CLI\" k.txt -o /dev/fd/9");
  EXPECT_EQ(closed.status, 74);
  EXPECT_NE(closed.err.find("/dev/fd/9"), std::string::npos) << closed.err;
}

TEST_F(CliTest, OutputFollowsLinksAndRefusesALoop) {
  WriteFile(Path("k.txt"), "\xE0\xB4\x95");
  ASSERT_EQ(::symlink("loop", Path("loop").c_str()), 0);
  const CliRun loop = RunCli({"k.txt", "-o", "loop"});
  EXPECT_EQ(loop.status, 73);
  EXPECT_NE(loop.err.find("symbolic links"), std::string::npos) << loop.err;
  EXPECT_TRUE(fs::is_symlink(Path("loop")));
  EXPECT_EQ(fs::read_symlink(Path("loop")), "loop");

  WriteFile(Path("real.txt"), "old text");
  ASSERT_EQ(::symlink("real.txt", Path("second").c_str()), 0);
  ASSERT_EQ(::symlink("second", Path("first").c_str()), 0);
  ASSERT_EQ(::symlink("made.txt", Path("dangling").c_str()), 0);
  EXPECT_EQ(RunCli({"k.txt", "-o", "first"}).status, 0);
  EXPECT_EQ(ReadFile(Path("real.txt")), "I");
  EXPECT_TRUE(fs::is_symlink(Path("first")) && fs::is_symlink(Path("second")));
  EXPECT_EQ(RunCli({"k.txt", "-o", "dangling"}).status, 0);
  EXPECT_EQ(ReadFile(Path("made.txt")), "I");
  EXPECT_TRUE(fs::is_symlink(Path("dangling")));
}

// -o puts a new file in the old one's place: its mode and owner stay, other hard links keep
// the old text.
TEST_F(CliTest, ReplacedFileKeepsModeAndOwner) {
  WriteFile(Path("k.txt"), "\xE0\xB4\x95");
  WriteFile(Path("target.txt"), "old text");
  ASSERT_EQ(::chmod(Path("target.txt").c_str(), 0640), 0);
  ASSERT_EQ(::link(Path("target.txt").c_str(), Path("other.txt").c_str()), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(Path("target.txt").c_str(), 12345, 23456), 0);
  }
  const CliRun run = RunCli({"k.txt", "-o", "target.txt"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(Path("target.txt")), "I");
  EXPECT_EQ(ReadFile(Path("other.txt")), "old text");
  struct stat info {};
  ASSERT_EQ(::stat(Path("target.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(info.st_uid, 12345u);
    EXPECT_EQ(info.st_gid, 23456u);
  }
}

// The filter run with the fault library preloaded, and with or without O_TMPFILE.
struct WriteFault {
  const char* what;
  std::string shell_before;  // e.g. a limit set for the filter
  std::string faults;        // for the fault library; empty for none
  const char* reason;
};

void PrintTo(const WriteFault& fault, std::ostream* os) {
  *os << fault.what;
}

class CliWriteFault : public CliTest, public ::testing::WithParamInterface<WriteFault> {};

// Whatever part of writing fails, the status is 74 with the reason, the target keeps its old
// text and no temporary file is left, with and without unnamed temporary files.
TEST_P(CliWriteFault, LeavesTheTargetAsItWas) {
  const WriteFault& f = GetParam();
  std::string text;
  while (text.size() < 16384)
    text += "\xE0\xB4\x95\xE0\xB5\x86\xE0\xB4\xB0\xE0\xB4\xB3\xE0\xB4\x82 ";
  WriteFile(Path("in.txt"), text);
  for (const bool with_tmpfile : {true, false}) {
    if ((!with_tmpfile || !f.faults.empty()) && !FaultLibraryWorks()) continue;
    WriteFile(Path("target.txt"), "old text");
    const std::string filter =
        f.faults.empty() && with_tmpfile ? "\"$CLI\"" : Preloaded(f.faults, with_tmpfile);
    const CliRun run = RunShell("( " + f.shell_before + " " + filter + " in.txt -o target.txt )");
    EXPECT_EQ(run.status, 74) << f.what << ", O_TMPFILE " << with_tmpfile << ": " << run.err;
    EXPECT_NE(run.err.find(f.reason), std::string::npos) << f.what << ": " << run.err;
    EXPECT_EQ(ReadFile(Path("target.txt")), "old text") << f.what;
    EXPECT_EQ(Leftovers(), (std::vector<std::string>{"in.txt", "target.txt"})) << f.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliWriteFault,
    ::testing::Values(
        WriteFault{"a file-size limit", "ulimit -f 2;", "", "File too large"},
        WriteFault{"a full disk", "", "LIPIMATTAM_FAULT_CALL=write LIPIMATTAM_FAULT_ERRNO=28",
                   "No space left on device"},
        WriteFault{"a sync that fails", "", "LIPIMATTAM_FAULT_CALL=fsync LIPIMATTAM_FAULT_ERRNO=5",
                   "Input/output error"},
        WriteFault{"a rename that fails", "",
                   "LIPIMATTAM_FAULT_CALL=rename LIPIMATTAM_FAULT_ERRNO=13", "Permission denied"}),
    lipimattam::testing::NameFromWhat());

struct Interruption {
  int signal_number;
  const char* call;  // where the signal comes
  bool with_tmpfile;
};

void PrintTo(const Interruption& interruption, std::ostream* os) {
  *os << "signal " << interruption.signal_number << " at " << interruption.call;
}

class CliInterrupted : public CliTest, public ::testing::WithParamInterface<Interruption> {};

// A signal while the output is written ends the filter by that signal, with the target either
// as it was or wholly new, never cut off, and no temporary file left.
TEST_P(CliInterrupted, LeavesNoTemporaryFile) {
  if (!FaultLibraryWorks()) GTEST_SKIP() << "the fault library does not work with sanitizers";
  const Interruption& i = GetParam();
  WriteFile(Path("in.txt"), "\xE0\xB4\x95");
  WriteFile(Path("target.txt"), "old text");
  const CliRun run =
      RunShell(Preloaded("LIPIMATTAM_FAULT_CALL=" + std::string(i.call) +
                             " LIPIMATTAM_FAULT_SIGNAL=" + std::to_string(i.signal_number),
                         i.with_tmpfile) +
               " in.txt -o target.txt");
  EXPECT_EQ(run.status, 128 + i.signal_number) << run.err;
  const std::string target = ReadFile(Path("target.txt"));
  EXPECT_TRUE(target == "old text" || target == "I") << target;
  EXPECT_EQ(Leftovers(), (std::vector<std::string>{"in.txt", "target.txt"}));
}

std::string InterruptionName(const ::testing::TestParamInfo<Interruption>& i) {
  return "signal" + std::to_string(i.param.signal_number) + "_at_" + i.param.call +
         (i.param.with_tmpfile ? "_unnamed" : "_named");
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CliInterrupted,
    ::testing::Values(Interruption{SIGINT, "write", false}, Interruption{SIGTERM, "write", false},
                      Interruption{SIGHUP, "write", false}, Interruption{SIGTERM, "fsync", false},
                      Interruption{SIGTERM, "rename", false}, Interruption{SIGINT, "write", true},
                      Interruption{SIGTERM, "linkat", true}, Interruption{SIGHUP, "rename", true}),
    InterruptionName);

// Text of `bytes` bytes: Malayalam words, or ASCII.
std::string LargeText(std::size_t bytes, bool malayalam) {
  const std::string word = malayalam
                               ? "\xE0\xB4\x95\xE0\xB5\x87\xE0\xB4\xB0\xE0\xB4\xB3\xE0\xB4\x82 "
                               : "Kerala in 2026.\n";  // 16 bytes a word either way
  std::string text;
  text.reserve(bytes + word.size());
  while (text.size() < bytes) text += word;
  return text;
}

TEST_F(CliTest, RunningOutOfMemoryIsReportedAndWritesNothing) {
#ifdef LIPIMATTAM_SANITIZED
  GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#endif
  // Text is held only up to where it may be cut: a line of 96 MB without a space is held whole.
  WriteFile(Path("big.txt"), std::string(std::size_t{96} << 20, 'x'));
  WriteFile(Path("target.txt"), "old text");
  WriteFile(Path("small.txt"), "\xE0\xB4\x95");
  const CliRun run = RunShell("ulimit -v 300000; \"$CLI\" big.txt -o target.txt");
  EXPECT_EQ(run.status, 71) << run.err;
  // In the units of the batch summary, and with the file's name.
  EXPECT_NE(run.err.find("big.txt: not enough memory for 100.7 MB of input"), std::string::npos)
      << run.err;
  EXPECT_EQ(ReadFile(Path("target.txt")), "old text");
  // In a batch, the other files go on.
  const CliRun batch = RunShell("ulimit -v 300000; \"$CLI\" big.txt small.txt --output-dir out");
  EXPECT_EQ(batch.status, 71) << batch.err;
  EXPECT_NE(batch.err.find("big.txt: not enough memory for 100.7 MB of input"), std::string::npos)
      << batch.err;
  EXPECT_EQ(ReadFile(Path("out/small.txt")), "I");
  EXPECT_EQ(Leftovers(), (std::vector<std::string>{"big.txt", "out", "small.txt", "target.txt"}));
  EXPECT_FALSE(fs::exists(Path("out/big.txt")));
}

// The filter holds a piece of the text at a time: its memory does not grow with the input.
TEST_F(CliTest, PeakMemoryDoesNotGrowWithTheInput) {
#ifdef LIPIMATTAM_SANITIZED
  GTEST_SKIP() << "the sanitizers keep memory of their own";
#endif
  const auto peak_of = [this](std::size_t size, bool malayalam, const std::string& options) {
    WriteFile(Path("in.txt"), LargeText(size, malayalam));
    const CliRun run = RunShell("/usr/bin/time -f '%M' \"$CLI\" " + options + " in.txt -o out.txt");
    EXPECT_EQ(run.status, 0) << run.err;
    return std::stod(run.err.substr(run.err.find_last_of('\n', run.err.size() - 2) + 1)) / 1024;
  };
  for (const bool malayalam : {false, true}) {
    for (const std::string options : {"", "--to-unicode"}) {
      const double small = peak_of(std::size_t{1} << 20, malayalam, options);
      const double large = peak_of(std::size_t{48} << 20, malayalam, options);
      EXPECT_LT(large, 64) << options << (malayalam ? " Malayalam" : " ASCII");
      EXPECT_LT(large - small, 8) << options << (malayalam ? " Malayalam" : " ASCII");
    }
  }
}

// A name in a message reads as it is, but nothing in it may reorder the message on a terminal
// or break its line.
TEST(FileNames, CharactersThatReorderOrBreakAMessageAreEscaped) {
  // NOLINTBEGIN(misc-misleading-bidirectional): these names are the point
  const std::pair<std::string, std::string> cases[] = {
      {"\xE0\xB4\x95.txt", "\xE0\xB4\x95.txt"},  // Malayalam stays as it is
      {"in\xFF.txt", "in\\xFF.txt"},
      {"a\nb\\c", "a\\nb\\\\c"},
      {"\xE2\x80\xAEtxt.exe", "\\xE2\\x80\\xAEtxt.exe"},  // right-to-left override
      {"a\xE2\x81\xA6"
       "b\xE2\x81\xA9",
       "a\\xE2\\x81\\xA6"
       "b\\xE2\\x81\\xA9"},  // an isolate
      {"a\xE2\x80\x8F"
       "b",
       "a\\xE2\\x80\\x8F"
       "b"},                                              // right-to-left mark
      {"line\xE2\x80\xA8two", "line\\xE2\\x80\\xA8two"},  // line separator
      {"a\xC2\x85"
       "b",
       "a\\xC2\\x85"
       "b"},  // next line
  };
  // NOLINTEND(misc-misleading-bidirectional)
  for (const auto& [name, shown] : cases) EXPECT_EQ(lipimattam::DisplayName(name), shown) << shown;
}

// Text set in the Mac versions of the ML-TT fonts holds the codes as Mac Roman characters: read
// so, it gives what the codes themselves give.
TEST_F(CliTest, MacRomanTextReadsAsTheCodesItStandsFor) {
  // ∂ √ ≠ Ω and ¤ for the codes 0xB6 0xC3 0xAD 0xBD 0xDB, between KA and a line break.
  const std::string mac = "I\xE2\x88\x82\xE2\x88\x9A \xE2\x89\xA0\xCE\xA9\xC2\xA4\r\n";
  const CliRun read = RunCli({"--to-unicode", "--input-encoding", "macroman"}, mac);
  EXPECT_EQ(read.status, 0) << read.err;
  const CliRun codes =
      RunCli({"--to-unicode", "--input-encoding", "latin1"}, "I\xB6\xC3 \xAD\xBD\xDB\r\n");
  EXPECT_EQ(read.out, codes.out);
  EXPECT_NE(read.out.find("\xE0\xB4\xA8\xE0\xB5\x8D\xE0\xB4\xA8"), std::string::npos)  // ന്ന
      << read.out;
  const CliRun forward = RunCli({"--input-encoding", "macroman"}, mac);
  EXPECT_EQ(forward.status, 64);
  EXPECT_NE(forward.err.find("--input-encoding macroman goes with --to-unicode"), std::string::npos)
      << forward.err;
}

// A fault found megabytes into the text, after pieces were written: standard output redirected
// to a file is cut back to where it stood, whatever shares it; a pipe has taken the text before
// the fault, and the message says so.
TEST_F(CliTest, ALateFaultLeavesStandardOutputAsItStood) {
  WriteFile(Path("late.txt"), LargeText(std::size_t{3} << 20, true) + "\xFF");
  const std::string fault = "late.txt:1:1179649: invalid UTF-8 at byte offset 3145728 (byte 0xFF)";
  struct Case {
    const char* command;
    const char* file;
    std::string kept;
    const char* said;
  };
  const Case cases[] = {
      {"\"$CLI\" late.txt > out.txt", "out.txt", "", "; nothing was written"},
      {"{ echo head; \"$CLI\" late.txt; } > out.txt", "out.txt", "head\n", "; nothing was written"},
      {"echo old > out.txt; \"$CLI\" late.txt >> out.txt", "out.txt", "old\n",
       "; nothing was written"},
      {"\"$CLI\" late.txt > out.txt 2>&1", "out.txt",
       "lipimattam-cli: " + fault + "; nothing was written\n", ""},
      {"\"$CLI\" late.txt | wc -c > out.txt; exit ${PIPESTATUS[0]}", "out.txt", "",
       "; the text before it was written"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunShell(c.command);
    EXPECT_EQ(run.status, 65) << c.command;
    if (*c.said != '\0') {
      EXPECT_NE(run.err.find(fault + c.said), std::string::npos) << c.command << run.err;
    }
    if (c.said == std::string_view("; the text before it was written")) {
      EXPECT_GT(std::stoul(ReadFile(Path(c.file))), 100000u) << c.command;
    } else {
      EXPECT_EQ(ReadFile(Path(c.file)), c.kept) << c.command;
    }
  }
}

// A limit on input, if one is set, is a whole file's, or the joined inputs'; standard input is
// measured as it is read.
TEST_F(CliTest, AnInputOverTheLimitIsNamed) {
  WriteFile(Path("small.txt"), "\xE0\xB4\x95");
  WriteFile(Path("large.txt"), std::string(5000, 'a'));
  const CliRun alone =
      RunCli({"--max-input", "4K", "large.txt", "small.txt", "--output-dir", "out"});
  EXPECT_EQ(alone.status, 65) << alone.err;
  EXPECT_NE(alone.err.find("large.txt: the input is larger than --max-input 4096 bytes;"),
            std::string::npos)
      << alone.err;
  EXPECT_EQ(ReadFile(Path("out/small.txt")), "I");
  const CliRun joined = RunCli({"--max-input", "5002", "small.txt", "large.txt"});
  EXPECT_EQ(joined.status, 65) << joined.err;
  EXPECT_NE(joined.err.find("large.txt: the input is larger than --max-input 5002 bytes in all"),
            std::string::npos)
      << joined.err;
  const CliRun piped = RunCli({"--max-input", "4999", "-o", "out.txt"}, std::string(5000, 'a'));
  EXPECT_EQ(piped.status, 65) << piped.err;
  EXPECT_FALSE(fs::exists(Path("out.txt")));
  EXPECT_EQ(RunCli({"--max-input", "5000"}, std::string(5000, 'a')).out, std::string(5000, 'a'));
  EXPECT_EQ(RunCli({"--max-input", "5Q"}, "").status, 64);
}

TEST_F(CliTest, AWarningNamesTheFileItIsAbout) {
  WriteFile(Path("plain.txt"), "I\n");
  WriteFile(Path("odd.txt"), "I\r\xC3\xA5");  // the code 0xE5 has no meaning, line 2
  const CliRun run = RunCli({"--to-unicode", "plain.txt", "odd.txt"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("odd.txt:2:1"), std::string::npos) << run.err;
}

// The README's list of the codes the reverse direction cannot read is the engine's list.
std::string CodesWithNoMeaning() {
  std::string list;
  const auto unread = [](unsigned code) {
    return lipimattam::ConvertToUnicode(std::u16string(1, static_cast<char16_t>(code)))
               .unknown_codes == 1;
  };
  const auto hex = [](unsigned code) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[code >> 4] + kDigits[code & 0xF];
  };
  for (unsigned code = 0; code <= 0xFF; ++code) {
    if (!unread(code)) continue;
    unsigned last = code;
    while (last < 0xFF && unread(last + 1)) ++last;
    list += (list.empty() ? "" : ", ") + hex(code) + (last > code ? "-" + hex(last) : "");
    code = last;
  }
  return list;
}

TEST(Readme, ListsTheCodesWithNoMeaning) {
  const std::string readme = ReadFile(LIPIMATTAM_README_PATH);
  const std::string list = "(" + CodesWithNoMeaning() + ")";
  EXPECT_NE(readme.find("A code with no meaning in the encoding " + list), std::string::npos)
      << "update the README's list of codes with no meaning to " << list;
}

}  // namespace
