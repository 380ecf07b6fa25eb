// Running the built filter through a shell, as a user does, in a fresh folder per test.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace lipimattam::testing {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Makes the folders it lies in as needed.
inline void WriteFile(const fs::path& path, const std::string& bytes) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A parameterized test's name holds "/": it must not make a folder inside a folder.
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = fs::temp_directory_path() /
           ("lipimattam-cli-test-" + std::to_string(::getpid()) + "-" + name);
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

  // Runs a shell command in the test folder, the filter's path in $CLI; standard output and
  // error are what the command does not redirect itself.
  CliRun RunShell(const std::string& command) const {
    const std::string full = "cd " + Quote(dir_.string()) +
                             " && CLI=" + Quote(LIPIMATTAM_CLI_PATH) + " && { " + command +
                             " ; } > stdout 2> stderr";
    CliRun run;
    const int raw = std::system(("bash -c " + Quote(full)).c_str());
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
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
};

// The filter with the fault library preloaded and `faults` set for it ("$CLI" in a shell).
inline std::string Preloaded(const std::string& faults, bool with_tmpfile) {
  return "LD_PRELOAD=" + Quote(LIPIMATTAM_FAULT_LIBRARY) + " " + faults +
         (with_tmpfile ? "" : " LIPIMATTAM_FAULT_NO_TMPFILE=1") + " \"$CLI\"";
}

// Whether preloading the fault library can work: not under the sanitizers.
inline bool FaultLibraryWorks() {
#ifdef LIPIMATTAM_SANITIZED
  return false;  // the sanitizers' own versions of these calls come first
#else
  return true;
#endif
}

}  // namespace lipimattam::testing
