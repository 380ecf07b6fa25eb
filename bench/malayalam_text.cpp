#include "bench/malayalam_text.h"

#include <array>

namespace lipimattam {
namespace {

// A small generator whose sequence is the same with every compiler and library.
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
  std::uint32_t Below(std::uint32_t bound) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_ % bound;
  }
  bool Percent(std::uint32_t percent) { return Below(100) < percent; }

 private:
  std::uint32_t state_;
};

constexpr char16_t kVirama = 0x0D4D;
constexpr char16_t kZwj = 0x200D;

// Frequent consonants come more than once.
constexpr std::array<char16_t, 28> kConsonants = {
    0x0D15, 0x0D15, 0x0D15, 0x0D17, 0x0D1A, 0x0D1C, 0x0D1F, 0x0D21, 0x0D23, 0x0D24,
    0x0D24, 0x0D26, 0x0D28, 0x0D28, 0x0D2A, 0x0D2A, 0x0D2C, 0x0D2E, 0x0D2E, 0x0D2F,
    0x0D30, 0x0D30, 0x0D32, 0x0D33, 0x0D35, 0x0D36, 0x0D38, 0x0D39};
// Pairs that the font joins into one ligature.
constexpr std::array<std::array<char16_t, 2>, 16> kConjuncts = {{{0x0D15, 0x0D15},
                                                                 {0x0D19, 0x0D15},
                                                                 {0x0D1A, 0x0D1A},
                                                                 {0x0D1E, 0x0D1A},
                                                                 {0x0D1F, 0x0D1F},
                                                                 {0x0D23, 0x0D1F},
                                                                 {0x0D24, 0x0D24},
                                                                 {0x0D28, 0x0D24},
                                                                 {0x0D28, 0x0D26},
                                                                 {0x0D28, 0x0D28},
                                                                 {0x0D2A, 0x0D2A},
                                                                 {0x0D2E, 0x0D2A},
                                                                 {0x0D32, 0x0D32},
                                                                 {0x0D38, 0x0D38},
                                                                 {0x0D28, 0x0D31},
                                                                 {0x0D31, 0x0D31}}};
constexpr std::array<char16_t, 13> kVowelSigns = {0x0D3E, 0x0D3F, 0x0D40, 0x0D41, 0x0D42,
                                                  0x0D43, 0x0D46, 0x0D47, 0x0D48, 0x0D4A,
                                                  0x0D4B, 0x0D4C, 0x0D3E};
constexpr std::array<char16_t, 5> kAtomicChillus = {0x0D7A, 0x0D7B, 0x0D7C, 0x0D7D, 0x0D7E};
constexpr std::array<char16_t, 5> kChilluBases = {0x0D23, 0x0D28, 0x0D30, 0x0D32, 0x0D33};
constexpr std::array<char16_t, 6> kVowels = {0x0D05, 0x0D06, 0x0D07, 0x0D09, 0x0D0E, 0x0D12};
constexpr std::array<char16_t, 4> kSubjoined = {0x0D2F, 0x0D35, 0x0D30, 0x0D30};  // YA VA RA

template <typename Table>
auto Pick(Random& random, const Table& table) {
  return table[random.Below(static_cast<std::uint32_t>(table.size()))];
}

void AppendSyllable(Random& random, std::u16string& text) {
  if (random.Percent(20)) {
    const auto pair = Pick(random, kConjuncts);
    text += {pair[0], kVirama, pair[1]};
  } else {
    text += Pick(random, kConsonants);
    if (random.Percent(12)) text += {kVirama, Pick(random, kSubjoined)};
  }
  if (random.Percent(60)) text += Pick(random, kVowelSigns);
}

void AppendWord(Random& random, std::u16string& text) {
  if (random.Percent(15)) text += Pick(random, kVowels);
  const std::uint32_t syllables = 1 + random.Below(4);
  for (std::uint32_t i = 0; i < syllables; ++i) AppendSyllable(random, text);
  if (random.Percent(10)) text += u'\u0D02';  // anusvara
  if (random.Percent(20)) {
    if (random.Percent(70)) {
      text += Pick(random, kAtomicChillus);
    } else {
      text += {Pick(random, kChilluBases), kVirama, kZwj};
    }
  } else if (random.Percent(12)) {
    text += {Pick(random, kConsonants), kVirama};  // a word ending in a virama
  }
}

}  // namespace

std::u16string GenerateMalayalamText(std::size_t units, std::uint32_t seed) {
  Random random(seed);
  std::u16string text;
  text.reserve(units + 32);
  std::size_t words_on_line = 0;
  while (text.size() < units) {
    AppendWord(random, text);
    if (random.Percent(8)) text += random.Percent(50) ? u',' : u'.';
    if (++words_on_line >= 12 && random.Percent(30)) {
      text += u"\r\n";
      words_on_line = 0;
    } else {
      text += u' ';
    }
  }
  text.resize(units);
  return text;
}

}  // namespace lipimattam
