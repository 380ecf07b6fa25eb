// The command-line filter: UTF-8 text in, the font's encoding out.
#pragma once

namespace lipimattam {

// Exit statuses, after BSD's sysexits.
enum ExitStatus : int {
  kExitOk = 0,
  kExitUsage = 64,       // bad options
  kExitDataError = 65,   // the input is not valid UTF-8, or cannot be written as asked
  kExitNoInput = 66,     // an input file is missing or cannot be read
  kExitSoftware = 70,    // an internal error
  kExitCantCreate = 73,  // the output file cannot be created
  kExitIoError = 74,     // the output cannot be written
};

// Runs the filter over the command line; returns the exit status.
int RunCli(int argc, char** argv);

}  // namespace lipimattam
