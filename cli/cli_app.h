// The command-line filter: UTF-8 text in, the font's encoding out.
#pragma once

namespace lipimattam {

// Runs the filter over the command line; returns the exit status.
int RunCli(int argc, char** argv);

}  // namespace lipimattam
