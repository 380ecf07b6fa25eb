// Realistic Malayalam text for benchmarks and load tests, made from a fixed seed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lipimattam {

// About `units` UTF-16 code units of Malayalam prose: syllables with vowel signs, conjuncts,
// RA/YA/VA signs, chillus (atomic and written with the joiner), anusvara, spaces, punctuation
// and CR LF line breaks. The same seed always gives the same text.
std::u16string GenerateMalayalamText(std::size_t units, std::uint32_t seed = 2026);

}  // namespace lipimattam
