// File names are bytes: taken from the command line as given, opened as given, and shown in
// messages in a form that can be read and typed back.
#pragma once

#include <string>
#include <string_view>

namespace lipimattam {

// `name` as it reads: valid UTF-8 as it is; a byte that is not, a control character, a
// character that reorders text or breaks a line (U+202E, U+2028 and the like) and the backslash
// written as \xFF, \n, \t, \\ and the like ("in\xFF.txt", "\xE2\x80\xAEtxt.exe").
[[nodiscard]] std::string Printable(std::string_view name);

}  // namespace lipimattam
