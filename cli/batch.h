// Batch mode: each input converted on its own, into an output folder or into itself, on every
// processor at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"

namespace lipimattam {

// One file to convert, or an input that cannot be: then `problem` says why.
struct BatchItem {
  std::string input;   // the file to read
  std::string output;  // the file to write
  std::uint64_t size = 0;
  std::optional<std::string> problem;  // a message, without the program's name
  int status = 0;                      // with a problem: its exit status (0 for a note)
};

// The files `options` name, in the order they are converted and reported: the inputs in their
// order, the files of a folder by name. Folders are walked with -r (hidden files and folders
// left out, symbolic links followed but never into a loop, the output folder never entered).
// An output that would overwrite an input of the run, or the output of an earlier item, is a
// problem; with --in-place a file named twice is converted once.
[[nodiscard]] std::vector<BatchItem> PlanBatch(const Options& options);

// Converts the items; messages come out in the items' order. Returns the most serious status.
[[nodiscard]] int RunBatch(const Options& options);

// The more serious of two exit statuses: an internal error, memory, writing, creating, reading,
// then the data.
[[nodiscard]] int MoreSerious(int status, int other);

}  // namespace lipimattam
