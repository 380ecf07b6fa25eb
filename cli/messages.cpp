#include "cli/messages.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "cli/file_names.h"

namespace lipimattam {

void Report(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
}

std::string DisplayName(const std::string& input) {
  return input == kStandardStream ? "<stdin>" : Printable(input);
}

std::string Hex(unsigned value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}

std::string Amount(std::uint64_t bytes, std::uint64_t scale) {
  if (scale < 1'000) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  const bool megabytes = scale >= 1'000'000;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", static_cast<double>(bytes) / (megabytes ? 1e6 : 1e3),
                megabytes ? "MB" : "kB");
  return text;
}

std::string SystemError(int error) {
  return std::strerror(error);
}

}  // namespace lipimattam
