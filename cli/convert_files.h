// Converting input files into one output: what the filter does for a run, and in batch mode
// for each file.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/options.h"

namespace lipimattam {

// Where a conversion's messages and progress go.
struct ConversionReport {
  // One message (an error or a warning), without the program's name.
  std::function<void(const std::string& message)> message;
  // Input bytes converted so far, counted up as the work goes; may be null.
  std::atomic<std::uint64_t>* bytes_done = nullptr;
  // If set, the output's folder is not synced after the output is put in place but handed to
  // this, for the caller to sync once for many files.
  std::function<void(const std::string& folder)> sync_folder_later;
};

struct ConversionResult {
  int status = 0;                // an ExitStatus
  std::uint64_t bytes_read = 0;  // input bytes read
};

// Converts `inputs` ("-" for standard input), joined as one text, into `output` ("-" for
// standard output) as `options` say. Nothing is written unless all of it converts; memory
// running out is reported as such.
[[nodiscard]] ConversionResult ConvertInputs(const Options& options,
                                             const std::vector<std::string>& inputs,
                                             const std::string& output,
                                             const ConversionReport& report);

}  // namespace lipimattam
