// The filter's exit statuses, after BSD's sysexits.
#pragma once

namespace lipimattam {

enum ExitStatus : int {
  kExitOk = 0,
  kExitUsage = 64,       // bad options
  kExitDataError = 65,   // input that is not valid UTF-8, a character latin1 cannot hold, or
                         // input over the limit
  kExitNoInput = 66,     // an input file is missing or cannot be read
  kExitSoftware = 70,    // an internal error
  kExitOsError = 71,     // not enough memory
  kExitCantCreate = 73,  // the output file cannot be created
  kExitIoError = 74,     // the output cannot be written
};

}  // namespace lipimattam
