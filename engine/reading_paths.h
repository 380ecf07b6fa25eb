// The reading back to Unicode without its quick paths, for the tests and the fuzzer that hold
// the quick paths to the general reading.
#pragma once

#include <string_view>

#include <lipimattam/to_unicode.h>

namespace lipimattam::detail {

// Reads every code through the general reading, one cluster at a time; ConvertToUnicode must
// give the same for every text and options.
[[nodiscard]] ToUnicodeResult ConvertToUnicodeCodeByCode(std::u16string_view glyphs,
                                                         const ToUnicodeOptions& options);

}  // namespace lipimattam::detail
