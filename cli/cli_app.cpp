#include "cli/cli_app.h"

#include <sys/stat.h>

#include <csignal>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/batch.h"
#include "cli/convert_files.h"
#include "cli/messages.h"
#include "cli/options.h"
#include "cli/output_file.h"
#include "cli/progress_bar.h"

namespace lipimattam {
namespace {

// The inputs joined into one output, with a progress bar on a terminal when the work is long.
int RunFilter(const Options& options) {
  std::uint64_t bytes = 0;
  bool sizes_known = true;
  for (const std::string& input : options.inputs) {
    struct stat info {};
    if (input != kStandardStream && ::stat(input.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      bytes += static_cast<std::uint64_t>(info.st_size);
    } else {
      sizes_known = false;
    }
  }
  std::optional<ProgressBar> bar;
  // Without a thread to watch the ending signals, no other thread may run: no bar then.
  if (sizes_known && WantsProgressBar(options.quiet, options.inputs.size(), bytes) &&
      WatchEndingSignals())
    StartProgressBar(bar, options.quiet, options.inputs.size(), bytes);
  ConversionReport report;
  report.message = [&bar](const std::string& message) {
    if (bar) {
      bar->Print(std::string(kProgram) + ": " + message);
    } else {
      Report(message);
    }
  };
  if (bar) report.bytes_done = &bar->BytesDone();
  return ConvertInputs(options, options.inputs, options.output, report).status;
}

}  // namespace

int RunCli(int argc, char** argv) {
  Options options;
  if (const auto status = ParseOptions(argc, argv, options)) return *status;
  // Past a file-size limit a write fails with EFBIG, which is reported with the file's name,
  // instead of the signal ending the program with its outputs half made.
  ::signal(SIGXFSZ, SIG_IGN);
  // The thread that removes temporary files when an ending signal comes starts before any
  // other thread (the progress bar's, the workers') or the first temporary file, so that every
  // thread keeps those signals blocked and only it takes them. If it cannot be started, the
  // run goes on in this thread alone. A run that needs neither, writing to standard output,
  // starts no thread.
  const int status = options.IsBatch() ? RunBatch(options) : RunFilter(options);
  StopWatchingEndingSignals();
  return status;
}

}  // namespace lipimattam
