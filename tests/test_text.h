// Helpers that let the tests write inputs as code points and outputs as glyph codes.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>

namespace lipimattam::testing {

// Whether the tests run under the sanitizers, where each conversion costs many times more:
// property tests there take fewer rounds.
#ifdef LIPIMATTAM_SANITIZED
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

inline std::u16string Units(std::initializer_list<char16_t> units) {
  return {units};
}

// "0x49 0x76 0x21": readable in a failure message whatever the units are.
inline std::string Hex(std::u16string_view text) {
  std::string out;
  char buffer[8];
  for (char16_t unit : text) {
    std::snprintf(buffer, sizeof buffer, "%s0x%02X", out.empty() ? "" : " ",
                  static_cast<unsigned>(unit));
    out += buffer;
  }
  return out.empty() ? "(empty)" : out;
}

// A test name from a description: letters and digits kept, every other run of characters
// one underscore ("YA sign, O sign" gives "YA_sign_O_sign").
inline std::string TestName(std::string_view what) {
  std::string name;
  for (const char c : what) {
    const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (keep) {
      name += c;
    } else if (!name.empty() && name.back() != '_') {
      name += '_';
    }
  }
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name.empty() ? "empty" : name;
}

// Names a parameterized test after its case's `what`.
struct NameFromWhat {
  template <typename ParamInfo>
  std::string operator()(const ParamInfo& info) const {
    return TestName(info.param.what);
  }
};

// Malayalam letters and signs by their Unicode names.
inline constexpr char16_t kA = 0x0D05;
inline constexpr char16_t kIi = 0x0D08;
inline constexpr char16_t kKa = 0x0D15;
inline constexpr char16_t kGa = 0x0D17;
inline constexpr char16_t kNna = 0x0D23;
inline constexpr char16_t kTa = 0x0D24;
inline constexpr char16_t kTha = 0x0D25;
inline constexpr char16_t kDa = 0x0D26;
inline constexpr char16_t kDda = 0x0D21;
inline constexpr char16_t kNa = 0x0D28;
inline constexpr char16_t kMa = 0x0D2E;
inline constexpr char16_t kYa = 0x0D2F;
inline constexpr char16_t kRa = 0x0D30;
inline constexpr char16_t kRra = 0x0D31;
inline constexpr char16_t kLa = 0x0D32;
inline constexpr char16_t kLla = 0x0D33;
inline constexpr char16_t kVa = 0x0D35;
inline constexpr char16_t kSa = 0x0D38;
inline constexpr char16_t kSignAa = 0x0D3E;
inline constexpr char16_t kSignVocalicR = 0x0D43;
inline constexpr char16_t kSignE = 0x0D46;
inline constexpr char16_t kSignEe = 0x0D47;
inline constexpr char16_t kSignAi = 0x0D48;
inline constexpr char16_t kSignO = 0x0D4A;
inline constexpr char16_t kSignOo = 0x0D4B;
inline constexpr char16_t kSignAu = 0x0D4C;
inline constexpr char16_t kVirama = 0x0D4D;
inline constexpr char16_t kAuLengthMark = 0x0D57;
inline constexpr char16_t kChilluNn = 0x0D7A;
inline constexpr char16_t kChilluN = 0x0D7B;
inline constexpr char16_t kChilluRr = 0x0D7C;
inline constexpr char16_t kChilluL = 0x0D7D;
inline constexpr char16_t kChilluLl = 0x0D7E;
inline constexpr char16_t kChilluK = 0x0D7F;
inline constexpr char16_t kZwnj = 0x200C;
inline constexpr char16_t kZwj = 0x200D;
// U+1F600 GRINNING FACE as its surrogate pair.
inline constexpr char16_t kEmojiHigh = 0xD83D;
inline constexpr char16_t kEmojiLow = 0xDE00;

// Units the rules care about, and a few they do not, drawn at random.
inline std::u16string RandomText(std::mt19937& random, std::size_t length) {
  static const std::u16string kAlphabet = [] {
    std::u16string alphabet;
    for (char16_t unit = 0x0D00; unit < 0x0D80; ++unit) alphabet += unit;
    alphabet += u"\u0D4D\u0D4D\u0D4D\u0D46\u0D47\u0D48\u0D4A\u0D4B\u0D4C\u0D2F\u0D35\u0D30";
    alphabet += u"\u200C\u200D\u200D\u2018\u2019\u2013\u206F stvyzr{k\u00E4Iv \r\n\u4E2D\uFEFF";
    alphabet += u"bchmu!\u00A1\u00B3\u00C0\u0173\u0179\u0D4D\u0D43\u0D46\u0D47";
    alphabet += u"\xD83D\xDE00\xD83D\xDE00\xDC00\xD800";  // pairs and lone halves
    return alphabet;
  }();
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) text += kAlphabet[pick(random)];
  return text;
}

}  // namespace lipimattam::testing
