// How the filter names things in its messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lipimattam {

inline constexpr const char* kProgram = "lipimattam-cli";
inline constexpr std::string_view kStandardStream = "-";  // standard input, or output

// Writes "lipimattam-cli: message" on standard error.
void Report(const std::string& message);

// The input's name as messages give it: "<stdin>" for standard input.
[[nodiscard]] std::string DisplayName(const std::string& input);

// `value` in upper-case hexadecimal, with at least `digits` digits.
[[nodiscard]] std::string Hex(unsigned value, int digits);

// `bytes` in bytes, kB or MB (decimal, one digit after the point), as suits `scale`: bytes
// below a kilobyte, kB below a megabyte. "3 bytes", "12.3 kB", "4096.0 MB".
[[nodiscard]] std::string Amount(std::uint64_t bytes, std::uint64_t scale);

// The system's words for an errno value.
[[nodiscard]] std::string SystemError(int error);

}  // namespace lipimattam
