// The filter's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <lipimattam/to_unicode.h>

#include "cli/text_codec.h"
#include "documents/document.h"

namespace lipimattam {

struct Options {
  bool to_unicode = false;  // ML-TT glyph codes back to Unicode Malayalam
  Encoding input_encoding = Encoding::kUtf8;
  ToUnicodeOptions to_unicode_options;
  std::vector<std::string> inputs;  // "-" is standard input
  std::string output = "-";         // "-" is standard output
  Encoding output_encoding = Encoding::kUtf8;

  // Batch mode: each input converted on its own, into a folder or into itself.
  std::optional<std::string> output_dir;
  bool in_place = false;
  bool recursive = false;  // folders among the inputs are converted file by file
  bool quiet = false;      // no progress bar and no summary
  unsigned jobs = 0;       // files converted at once; 0 for two per processor
  // The most bytes of input converted in one run (of each file in batch mode); none if unset.
  std::optional<std::uint64_t> max_input;
  // For documents: the fonts; the direction and the forms are set from the options above.
  DocumentOptions documents;

  [[nodiscard]] bool IsBatch() const { return output_dir.has_value() || in_place; }
};

// Parses the command line into `options`; returns the exit status to end with at once, after
// help, the version, or a usage error (reported on standard error).
[[nodiscard]] std::optional<int> ParseOptions(int argc, char** argv, Options& options);

}  // namespace lipimattam
