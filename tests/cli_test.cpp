// The filter end to end: the built executable run through a shell, as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("lipimattam-cli-test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Path(const std::string& name) const { return dir_ / name; }

  // Runs the filter with `arguments` (each quoted) and `input` on standard input; `shell_tail`
  // is added as it stands (a redirection).
  CliRun RunCli(const std::vector<std::string>& arguments, const std::string& input = "",
                const std::string& shell_tail = "") const {
    WriteFile(Path("stdin"), input);
    std::string command = "cd " + Quote(dir_.string()) + " && " + Quote(LIPIMATTAM_CLI_PATH);
    for (const std::string& argument : arguments) command += " " + Quote(argument);
    command += " < stdin 2> stderr";
    command += shell_tail.empty() ? " > stdout" : " " + shell_tail;
    CliRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    run.out = ReadFile(Path("stdout"));
    run.err = ReadFile(Path("stderr"));
    return run;
  }

  // Files in the test folder other than those the harness itself writes.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      const std::string name = entry.path().filename().string();
      if (name != "stdin" && name != "stdout" && name != "stderr") names.push_back(name);
    }
    return names;
  }

  fs::path dir_;
};

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

class CliFailure : public CliTest, public ::testing::WithParamInterface<Failure> {};

TEST_P(CliFailure, ReportsWhereAndWritesNothing) {
  const Failure& f = GetParam();
  WriteFile(Path("bad.txt"), "ok\n\xE0\xB4\x95\xE0\xB4 more");  // a truncated KA on line 2
  WriteFile(Path("han.txt"), "\xE0\xB4\x95\n ab\xE4\xB8\xAD");  // U+4E2D at line 2, column 4
  WriteFile(Path("existing.txt"), "keep me");
  fs::create_directories(Path("folder"));
  WriteFile(Path("huge.txt"), "");
  fs::resize_file(Path("huge.txt"), std::uintmax_t{2} << 30);  // 2 GiB, sparse
  const CliRun run = RunCli(f.arguments, f.input);
  EXPECT_EQ(run.status, f.status) << f.what << ": " << run.err;
  EXPECT_EQ(run.out, "") << f.what;
  for (const std::string& part : f.message_parts)
    EXPECT_NE(run.err.find(part), std::string::npos) << f.what << ": " << run.err;
  EXPECT_EQ(ReadFile(Path("existing.txt")), "keep me") << f.what;
  EXPECT_FALSE(fs::exists(Path("new.txt"))) << f.what;
  EXPECT_EQ(Leftovers().size(), 5u) << f.what << ": no temporary file is left";
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
                {"huge.txt", "-o", "new.txt"},
                "",
                65,
                {"huge.txt", "split the text"}},
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
        Failure{"an unknown option", {"--frobnicate"}, "x", 64, {"usage:"}},
        Failure{"an unknown encoding", {"--output-encoding", "ebcdic"}, "x", 64, {"ebcdic"}},
        Failure{"a missing option value", {"-o"}, "x", 64, {"usage:"}},
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
                {"byte offset 1"}}));

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

}  // namespace
