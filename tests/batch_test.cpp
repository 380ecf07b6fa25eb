// Batch mode end to end: each file converted on its own, as the single-file filter converts it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

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

// Malayalam words of every kind the rules care about, joined into lines at random.
std::string RandomMalayalam(std::mt19937& random, std::size_t words) {
  static const char* const kWords[] = {
      "\xE0\xB4\x95\xE0\xB5\x87\xE0\xB4\xB0\xE0\xB4\xB3\xE0\xB4\x82",  // കേരളം
      "\xE0\xB4\xAE\xE0\xB4\xB2\xE0\xB4\xAF\xE0\xB4\xBE\xE0\xB4\xB3\xE0\xB4\x82",  // മലയാളം
      "\xE0\xB4\xB8\xE0\xB5\xBC\xE0\xB4\x95\xE0\xB5\x8D\xE0\xB4\x95\xE0\xB4\xBE\xE0\xB5"
      "\xBC",                                              // സർക്കാർ
      "\xE0\xB4\xA8\xE0\xB5\x8D\xE0\xB4\xB1\xE0\xB5\x86",  // ന്റെ
      "\xE0\xB4\xB8\xE0\xB5\x8D\xE0\xB4\xA4\xE0\xB5\x8D\xE0\xB4\xB0\xE0\xB5\x80",  // സ്ത്രീ
      "\xE0\xB4\x95\xE0\xB5\x8D\xE0\xB4\xB7\xE0\xB5\x87\xE0\xB4\xA4\xE0\xB5\x8D\xE0\xB4\xB0"
      "\xE0"
      "\xB4\x82",  // ക്ഷേത്രം
      "\xE2\x80\x9C"
      "2026"
      "\xE2\x80\x9D",                                                              // “2026”
      "\xE0\xB4\xB5\xE0\xB4\xBE\xE0\xB5\xBC\xE0\xB4\xA4\xE0\xB5\x8D\xE0\xB4\xA4",  // വാർത്ത
  };
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kWords) - 1);
  std::string text;
  for (std::size_t i = 0; i < words; ++i)
    text += std::string(kWords[pick(random)]) + (i % 9 == 8 ? "\r\n" : " ");
  return text;
}

// The files under `folder`, as paths relative to it, in order.
std::vector<std::string> FilesUnder(const fs::path& folder) {
  std::vector<std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), folder).string());
  std::sort(files.begin(), files.end());
  return files;
}

class BatchTest : public CliTest {
 protected:
  // A tree of Malayalam text files in old/, the seventh of them not valid UTF-8.
  std::vector<std::string> MakeTree() const {
    std::mt19937 random(5);
    std::vector<std::string> files;
    const char* const folders[] = {"", "1998/", "1998/jan/", "2001/"};
    for (int i = 0; i < 12; ++i) {
      const std::string name = std::string(folders[i % 4]) + "story" + std::to_string(i) + ".txt";
      fs::create_directories(Path("old/" + name).parent_path());
      std::string text = RandomMalayalam(random, 1 + static_cast<std::size_t>(i) * 97);
      if (i == 3) text = "\xEF\xBB\xBF" + text;  // a byte order mark
      if (i == 6) text += "\n\xE0\xB4";          // cut off inside a character
      WriteFile(Path("old/" + name), text);
      files.push_back(name);
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  // What the filter makes of one file on its own.
  std::string ConvertedAlone(const std::string& file, const std::vector<std::string>& options) {
    std::vector<std::string> arguments = options;
    arguments.push_back(file);
    const CliRun run = RunCli(arguments);
    EXPECT_EQ(run.status, 0) << file << ": " << run.err;
    return run.out;
  }
};

TEST_F(BatchTest, EachOutputIsTheFilesOwnConversionAndAFailureStopsNothing) {
  const std::vector<std::string> files = MakeTree();
  const std::string broken = "1998/jan/story6.txt";
  const CliRun run = RunCli({"-r", "old", "--output-dir", "new", "--jobs", "3"});
  EXPECT_EQ(run.status, 65) << run.err;
  EXPECT_NE(run.err.find("old/" + broken + ":"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("11 files converted"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("; 1 failed"), std::string::npos) << run.err;
  std::vector<std::string> expected_outputs;
  for (const std::string& file : files)
    if (file != broken) expected_outputs.push_back(file);
  ASSERT_EQ(FilesUnder(Path("new")), expected_outputs);
  for (const std::string& file : expected_outputs)
    EXPECT_EQ(ReadFile(Path("new/" + file)), ConvertedAlone("old/" + file, {})) << file;

  // And back, in latin1, each file again as the filter reads it alone.
  const CliRun back = RunCli({"--to-unicode", "-r", "new", "--output-dir", "back", "-q"});
  EXPECT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.err, "");
  ASSERT_EQ(FilesUnder(Path("back")), expected_outputs);
  for (const std::string& file : expected_outputs)
    EXPECT_EQ(ReadFile(Path("back/" + file)), ConvertedAlone("new/" + file, {"--to-unicode"}))
        << file;
}

TEST_F(BatchTest, MessagesComeInTheOrderOfTheInputs) {
  std::vector<std::string> arguments = {"--output-dir", "out", "--jobs", "4"};
  for (int i = 0; i < 40; ++i) {
    const std::string name = "f" + std::to_string(100 + i) + ".txt";
    // Every third file is broken; the others are large or small, so they finish out of order.
    WriteFile(Path(name), i % 3 == 0 ? std::string("\xFF") : std::string(i % 2 ? 300000 : 1, 'a'));
    arguments.push_back(name);
  }
  const CliRun run = RunCli(arguments);
  EXPECT_EQ(run.status, 65);
  std::size_t at = 0;
  for (int i = 0; i < 40; i += 3) {
    const std::size_t found = run.err.find("f" + std::to_string(100 + i) + ".txt:1:1", at);
    ASSERT_NE(found, std::string::npos) << "f" << 100 + i << " out of order in\n" << run.err;
    at = found;
  }
}

TEST_F(BatchTest, InPlaceConvertsEachFileOnceKeepingItsMode) {
  WriteFile(Path("a.txt"), "\xE0\xB4\x95");  // KA
  WriteFile(Path("b.txt"), "\xE0\xB4\x96");  // KHA
  ASSERT_EQ(::chmod(Path("a.txt").c_str(), 0640), 0);
  fs::create_symlink("a.txt", Path("link-to-a"));
  fs::create_hard_link(Path("b.txt"), Path("b-again.txt"));  // a name of its own, as for sed -i
  const CliRun run =
      RunCli({"--in-place", "a.txt", "link-to-a", "b.txt", "a.txt", "b-again.txt", "--jobs", "1"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(Path("a.txt")), "I");  // once, not twice
  EXPECT_EQ(ReadFile(Path("b.txt")), "J");
  EXPECT_EQ(ReadFile(Path("b-again.txt")), "J");
  EXPECT_TRUE(fs::is_symlink(Path("link-to-a")));
  EXPECT_EQ(fs::status(Path("a.txt")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_NE(run.err.find("link-to-a is a.txt again; converted once"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("3 files converted"), std::string::npos) << run.err;
}

struct PlanProblem {
  const char* what;
  std::vector<std::string> arguments;
  int status;
  std::vector<std::string> said;     // in the messages
  std::vector<std::string> outputs;  // the files under out/ afterwards
  std::string faults = {};           // for the fault library, if any
};

void PrintTo(const PlanProblem& problem, std::ostream* os) {
  *os << problem.what;
}

class BatchPlan : public BatchTest, public ::testing::WithParamInterface<PlanProblem> {};

// The inputs: in/a.txt, in/b.txt, in/sub/c.txt, in/.hidden.txt, in/sub/loop -> .., other/a.txt,
// other/sub and the folder empty/.
TEST_P(BatchPlan, ReportsTheProblemAndConvertsTheRest) {
  const PlanProblem& p = GetParam();
  fs::create_directories(Path("in/sub"));
  fs::create_directories(Path("other"));
  fs::create_directories(Path("empty"));
  for (const char* name :
       {"in/a.txt", "in/b.txt", "in/sub/c.txt", "in/.hidden.txt", "other/a.txt", "other/sub"})
    WriteFile(Path(name), "\xE0\xB4\x95");
  fs::create_directory_symlink("..", Path("in/sub/loop"));
  if (!p.faults.empty() && !FaultLibraryWorks())
    GTEST_SKIP() << "the fault library does not work with sanitizers";
  std::string command = p.faults.empty() ? "\"$CLI\"" : Preloaded(p.faults, true);
  for (const std::string& argument : p.arguments) command += " " + Quote(argument);
  const CliRun run = RunShell(command);
  EXPECT_EQ(run.status, p.status) << run.err;
  for (const std::string& words : p.said)
    EXPECT_NE(run.err.find(words), std::string::npos) << words << " not in\n" << run.err;
  EXPECT_EQ(FilesUnder(Path("out")), p.outputs);
  EXPECT_EQ(ReadFile(Path("in/a.txt")), "\xE0\xB4\x95");  // inputs are never overwritten
}

INSTANTIATE_TEST_SUITE_P(
    Problems, BatchPlan,
    ::testing::Values(PlanProblem{"a folder without -r",
                                  {"in", "other/a.txt", "--output-dir", "out"},
                                  66,
                                  {"in is a folder; -r converts the files in it"},
                                  {"a.txt"}},
                      PlanProblem{"a missing file",
                                  {"gone.txt", "other/a.txt", "--output-dir", "out"},
                                  66,
                                  {"cannot read gone.txt"},
                                  {"a.txt"}},
                      PlanProblem{
                          "hidden files and a loop left alone",
                          {"-r", "in", "--output-dir", "out"},
                          0,
                          {"in/sub/loop leads back into a folder it lies in", "3 files converted"},
                          {"a.txt", "b.txt", "sub/c.txt"}},
                      PlanProblem{"two inputs with one output",
                                  {"in/a.txt", "other/a.txt", "--output-dir", "out"},
                                  73,
                                  {"other/a.txt: its output out/a.txt is the output of in/a.txt"},
                                  {"a.txt"}},
                      PlanProblem{"an output onto an input",
                                  {"in/a.txt", "in/b.txt", "--output-dir", "in"},
                                  73,
                                  {"in/a.txt: its output in/a.txt is an input of this run"},
                                  {}},
                      PlanProblem{"the output folder inside the input folder",
                                  {"-r", "in", "--output-dir", "in/out"},
                                  0,
                                  {"3 files converted"},
                                  {}},
                      // The earlier input keeps its place, however the workers run.
                      PlanProblem{"an output file where a later input needs a folder",
                                  {"other/sub", "-r", "in", "--output-dir", "out", "-j", "8"},
                                  73,
                                  {"in/sub/c.txt: its output out/sub/c.txt would lie in out/sub, "
                                   "the output of other/sub; not converted"},
                                  {"a.txt", "b.txt", "sub"}},
                      PlanProblem{"an output folder where a later input needs a file",
                                  {"-r", "in", "other/sub", "--output-dir", "out", "-j", "1"},
                                  73,
                                  {"other/sub: its output out/sub is a folder for the output of "
                                   "in/sub/c.txt; not converted"},
                                  {"a.txt", "b.txt", "sub/c.txt"}},
                      PlanProblem{"nothing to convert",
                                  {"-r", "empty", "--output-dir", "out"},
                                  0,
                                  {"no files to convert"},
                                  {}},
                      PlanProblem{"a folder that cannot be listed for want of memory",
                                  {"-r", "in", "--output-dir", "out"},
                                  71,
                                  {"cannot read the folder in: Cannot allocate memory"},
                                  {},
                                  "LIPIMATTAM_FAULT_CALL=opendir LIPIMATTAM_FAULT_ERRNO=12"},
                      PlanProblem{"an output folder that cannot be made",
                                  {"in/a.txt", "--output-dir", "in/a.txt/out"},
                                  73,
                                  {"cannot create the folder in/a.txt/out"},
                                  {}}),
    lipimattam::testing::NameFromWhat());

TEST_F(BatchTest, TheOutputFolderInsideTheInputsGetsOnlyTheirOutputs) {
  fs::create_directories(Path("in"));
  WriteFile(Path("in/a.txt"), "\xE0\xB4\x95");
  for (int run_number = 0; run_number < 2; ++run_number) {  // the second finds out/ full
    const CliRun run = RunCli({"-r", "in", "--output-dir", "in/out"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("1 file converted"), std::string::npos) << run.err;
  }
  EXPECT_EQ(FilesUnder(Path("in")), (std::vector<std::string>{"a.txt", "out/a.txt"}));
  EXPECT_EQ(ReadFile(Path("in/out/a.txt")), "I");
}

TEST_F(BatchTest, AFullDiskFailsEachFileAndLeavesNoTemporaryFile) {
  if (!FaultLibraryWorks()) GTEST_SKIP() << "the fault library does not work with sanitizers";
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) WriteFile(Path(name), "\xE0\xB4\x95");
  const CliRun run =
      RunShell(Preloaded("LIPIMATTAM_FAULT_CALL=write LIPIMATTAM_FAULT_ERRNO=28", true) +
               " a.txt b.txt gone.txt c.txt --output-dir out");
  EXPECT_EQ(run.status, 74) << run.err;  // over the missing file's 66
  EXPECT_NE(run.err.find("cannot write out/c.txt: No space left on device"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("0 files converted"), std::string::npos) << run.err;
  EXPECT_TRUE(FilesUnder(Path("out")).empty());
}

TEST_F(BatchTest, ASignalEndsTheBatchWithNoTemporaryFileAndNoHalfOutput) {
  if (!FaultLibraryWorks()) GTEST_SKIP() << "the fault library does not work with sanitizers";
  std::mt19937 random(9);
  std::vector<std::string> arguments;
  for (int i = 0; i < 30; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    WriteFile(Path(name), RandomMalayalam(random, 2000));
    arguments.push_back(name);
  }
  std::string command = Preloaded("LIPIMATTAM_FAULT_CALL=rename LIPIMATTAM_FAULT_SIGNAL=15", false);
  for (const std::string& argument : arguments) command += " " + argument;
  const CliRun run = RunShell(command + " --output-dir out --jobs 4");
  EXPECT_EQ(run.status, 128 + SIGTERM) << run.err;
  for (const auto& entry : fs::directory_iterator(Path("out"))) {
    const std::string name = entry.path().filename().string();
    ASSERT_NE(name.front(), '.') << "a temporary file is left: " << name;
    EXPECT_EQ(ReadFile(entry.path()), ConvertedAlone(name, {})) << name;
  }
}

TEST_F(BatchTest, UsageErrors) {
  WriteFile(Path("a.txt"), "x");
  const std::vector<std::vector<std::string>> misuses = {
      {"a.txt", "--output-dir", "out", "-o", "b.txt"},
      {"a.txt", "--output-dir", "out", "--in-place"},
      {"-r", "a.txt"},
      {"--jobs", "2", "a.txt"},
      {"--output-dir", "out"},
      {"-", "--output-dir", "out"},
      {"a.txt", "--output-dir", "out", "--jobs", "0"},
      {"a.txt", "--output-dir", ""},
  };
  for (const std::vector<std::string>& arguments : misuses) {
    const CliRun run = RunCli(arguments);
    std::string line;
    for (const std::string& argument : arguments) line += argument + " ";
    EXPECT_EQ(run.status, 64) << line << run.err;
    EXPECT_FALSE(fs::exists(Path("out"))) << line;
  }
}

// The progress bar shows on a terminal only: `script` gives the filter a pseudo-terminal.
TEST_F(BatchTest, TheProgressBarShowsOnATerminalOnlyAndIsErasedAtTheEnd) {
  for (int i = 0; i < 5; ++i) WriteFile(Path("f" + std::to_string(i)), "\xE0\xB4\x95");
  const auto on_terminal = [&](const std::string& options, const char* term = "xterm") {
    // The outer shell puts the filter's path in; script's shell runs the command.
    return RunShell(std::string("TERM=") + term + " script -qec \"'$CLI' f0 f1 f2 f3 f4 " +
                    "--output-dir out " + options + "\" /dev/null");
  };
  const CliRun shown = on_terminal("");
  if (shown.status != 0 && shown.out.find("pseudo-terminal") != std::string::npos)
    GTEST_SKIP() << "no pseudo-terminal here: " << shown.out;
  EXPECT_EQ(shown.status, 0) << shown.err;
  EXPECT_NE(shown.out.find("/5 files"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("\r\033[Klipimattam-cli: 5 files converted"), std::string::npos)
      << shown.out;
  // A terminal that takes no escape codes gets none: the bar is cleared with spaces.
  for (const char* term : {"dumb", ""}) {
    const CliRun plain = on_terminal("", term);
    EXPECT_NE(plain.out.find("/5 files"), std::string::npos) << plain.out;
    EXPECT_EQ(plain.out.find('\033'), std::string::npos) << "TERM=" << term << ": " << plain.out;
  }
  const CliRun quiet = on_terminal("--quiet");
  EXPECT_EQ(quiet.out.find("files"), std::string::npos) << quiet.out;
  // Joined into one output, two files are long work too.
  const CliRun joined = RunShell("script -qec \"'$CLI' f0 f1 -o joined.txt\" /dev/null");
  EXPECT_NE(joined.out.find("/2 files"), std::string::npos) << joined.out;
  EXPECT_EQ(ReadFile(Path("joined.txt")), "II");
  // The bar's thread (there is one, as for `joined` above, though the signal may come before
  // it draws) keeps the ending signals blocked too: one that comes while a named temporary
  // file is written still removes it.
  if (FaultLibraryWorks()) {
    const CliRun interrupted =
        RunShell("script -qec \"" +
                 Preloaded("LIPIMATTAM_FAULT_CALL=write LIPIMATTAM_FAULT_SIGNAL=2", false) +
                 " f0 f1 -o interrupted.txt\" /dev/null");
    EXPECT_FALSE(fs::exists(Path("interrupted.txt")) && ReadFile(Path("interrupted.txt")) != "II");
    for (const auto& entry : fs::directory_iterator(dir_))
      EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
  }
  const CliRun redirected = RunCli({"f0", "f1", "--output-dir", "out"});
  EXPECT_EQ(redirected.err.find('\r'), std::string::npos) << redirected.err;
  EXPECT_NE(redirected.err.find("2 files converted"), std::string::npos) << redirected.err;
}

// Workers create files and folders at once; none may get more than the user's umask allows.
TEST_F(BatchTest, OutputsNeverGetMoreThanTheUmaskAllows) {
  for (int i = 0; i < 2000; ++i)
    WriteFile(Path("in/d" + std::to_string(i % 40) + "/f" + std::to_string(i)), "\xE0\xB4\x95");
  const struct {
    mode_t umask;
    const char* jobs;
  } runs[] = {{077, "1"}, {077, "3"}, {077, "16"}, {022, "2"}, {022, "64"}};
  for (const auto& run : runs) {
    const std::string out = "out" + std::string(run.jobs);
    const CliRun result =
        RunShell("umask " + std::to_string(run.umask / 8 % 8) + std::to_string(run.umask % 8) +
                 " && \"$CLI\" -q -r in -j " + run.jobs + " --output-dir " + out + "/new");
    ASSERT_EQ(result.status, 0) << result.err;
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(Path(out))) {
      struct stat info {};
      ASSERT_EQ(::stat(entry.path().c_str(), &info), 0);
      const mode_t allowed = (S_ISDIR(info.st_mode) ? 0777 : 0666) & ~run.umask;
      EXPECT_EQ(info.st_mode & 07777 & ~allowed, 0u)
          << entry.path() << " is " << std::oct << (info.st_mode & 07777) << " under umask "
          << run.umask << ", -j " << run.jobs;
      files += S_ISREG(info.st_mode) ? 1 : 0;
    }
    EXPECT_EQ(files, 2000u) << "-j " << run.jobs;
  }
}

// However few threads can be started, down to none beside the calling one, the run converts
// everything; a signal then still leaves no temporary file.
TEST_F(BatchTest, RunsWithTheThreadsThatCanBeStarted) {
  if (!FaultLibraryWorks()) GTEST_SKIP() << "the fault library does not work with sanitizers";
  std::mt19937 random(3);
  for (int i = 0; i < 6; ++i)
    WriteFile(Path("in/f" + std::to_string(i) + ".txt"), RandomMalayalam(random, 300));
  for (const char* threads : {"0", "1", "2"}) {
    for (const bool with_tmpfile : {true, false}) {
      const std::string out = std::string("out") + threads + (with_tmpfile ? "u" : "n");
      const CliRun run =
          RunShell(Preloaded(std::string("LIPIMATTAM_FAULT_THREADS=") + threads, with_tmpfile) +
                   " -r in -j 4 --output-dir " + out + " && " +
                   Preloaded(std::string("LIPIMATTAM_FAULT_THREADS=") + threads, with_tmpfile) +
                   " in/f0.txt in/f1.txt -o " + out + "/joined.txt");
      ASSERT_EQ(run.status, 0) << threads << " threads: " << run.err;
      EXPECT_EQ(FilesUnder(Path(out)).size(), 7u) << threads << " threads";
      EXPECT_EQ(ReadFile(Path(out + "/f5.txt")), ConvertedAlone("in/f5.txt", {}));
      EXPECT_EQ(ReadFile(Path(out + "/joined.txt")),
                ConvertedAlone("in/f0.txt", {}) + ConvertedAlone("in/f1.txt", {}));
    }
  }
  // No thread to take the signal: the thread with a named temporary file holds it until the
  // name is gone, then ends by it.
  const CliRun interrupted = RunShell(
      Preloaded("LIPIMATTAM_FAULT_THREADS=0 LIPIMATTAM_FAULT_CALL=write LIPIMATTAM_FAULT_SIGNAL=15",
                false) +
      " -r in --output-dir signalled");
  EXPECT_EQ(interrupted.status, 128 + SIGTERM) << interrupted.err;
  for (const std::string& name : FilesUnder(Path("signalled"))) {
    EXPECT_NE(name.front(), '.') << "a temporary file is left";
    EXPECT_EQ(ReadFile(Path("signalled/" + name)), ConvertedAlone("in/" + name, {}));
  }
}

// A file-size limit fails the file that passes it, with its name, and the rest go on.
TEST_F(BatchTest, AFileSizeLimitFailsOneFileAndTheRestGoOn) {
  std::mt19937 random(4);
  WriteFile(Path("big.txt"), RandomMalayalam(random, 2000));
  WriteFile(Path("small.txt"), "\xE0\xB4\x95");
  const CliRun run = RunShell("ulimit -f 4 && \"$CLI\" big.txt small.txt --output-dir out");
  EXPECT_EQ(run.status, 74) << run.err;
  EXPECT_NE(run.err.find("cannot write out/big.txt: File too large"), std::string::npos) << run.err;
  EXPECT_EQ(FilesUnder(Path("out")), std::vector<std::string>{"small.txt"});  // no temporary file
}

// Names as long as a folder allows: the temporary file beside them must fit too.
TEST_F(BatchTest, TheLongestNamesCanBeWritten) {
  std::string name;
  for (int i = 0; i < 83; ++i) name += "\xE0\xB4\x95";  // 249 bytes
  name += "ab.txt";                                     // 255
  WriteFile(Path(name), "\xE0\xB4\x95");
  const std::string quoted = Quote(name);
  const CliRun run =
      RunShell("\"$CLI\" " + quoted + " --output-dir out && mkdir joined && \"$CLI\" " + quoted +
               " -o joined/" + quoted + " && \"$CLI\" " + quoted + " --in-place");
  EXPECT_EQ(run.status, 0) << run.err;
  for (const std::string& made : {"out/" + name, "joined/" + name, name})
    EXPECT_EQ(ReadFile(Path(made)), "I") << made;
}

// Links that lead to one folder by many ways (each folder linking twice to the next) convert
// each folder once, not once per way.
TEST_F(BatchTest, FoldersReachedByManyLinksAreConvertedOnce) {
  constexpr int kFolders = 12;
  for (int i = 0; i < kFolders; ++i) {
    const std::string folder = "in/d" + std::to_string(i);
    WriteFile(Path(folder + "/f.txt"), "\xE0\xB4\x95");
    if (i + 1 < kFolders) {
      const fs::path next = fs::path("..") / ("d" + std::to_string(i + 1));
      fs::create_directory_symlink(next, Path(folder + "/a"));
      fs::create_directory_symlink(next, Path(folder + "/b"));
    }
  }
  const CliRun run = RunCli({"-r", "in/d0", "--output-dir", "out"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(FilesUnder(Path("out")).size(), static_cast<std::size_t>(kFolders));
  EXPECT_NE(run.err.find("in/d0/a/b is the folder in/d0/a/a again; not followed"),
            std::string::npos)
      << run.err;
}

TEST_F(BatchTest, InPlaceInAReadOnlyFolderSaysTheFolderIsReadOnly) {
  WriteFile(Path("ro/a.txt"), "\xE0\xB4\x95");
  ASSERT_EQ(::chmod(Path("ro").c_str(), 0555), 0);
  // Root may write anywhere: the filter runs as nobody then.
  const std::string as_user =
      ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  const CliRun run = RunShell(as_user + "\"$CLI\" --in-place ro/a.txt");
  ::chmod(Path("ro").c_str(), 0755);
  EXPECT_EQ(run.status, 73) << run.err;
  EXPECT_NE(run.err.find("cannot create ro/a.txt: its folder ro is read-only (Permission denied)"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(ReadFile(Path("ro/a.txt")), "\xE0\xB4\x95");
}

}  // namespace
