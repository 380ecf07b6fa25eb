#include <lipimattam/to_unicode.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>

#include <lipimattam/cut_points.h>
#include <lipimattam/utf16.h>

#include "engine/conjunct_table.h"
#include "engine/glyph_cuts.h"
#include "engine/glyph_map.h"
#include "engine/huge_pages.h"
#include "engine/reading_paths.h"
#include "engine/sign_rules.h"

namespace lipimattam {
namespace {

constexpr char16_t kSignE = 0x0D46;
constexpr char16_t kSignEe = 0x0D47;
constexpr char16_t kSignAi = 0x0D48;
constexpr char16_t kSignO = 0x0D4A;
constexpr char16_t kDigitZero = 0x0D66;
constexpr char16_t kReplacementCharacter = 0xFFFD;

// The codes the reader looks for, as the code-unit map and the rules give them.
constexpr char16_t GlyphOf(char16_t code_point) {
  return MapCodeUnit(code_point)[0];
}

constexpr char16_t RaSignGlyph() {
  for (const SubjoinedSignRule& rule : SubjoinedSignRules)
    if (rule.sign_before) return rule.sign;
  return 0;
}

constexpr char16_t kGlyphE = GlyphOf(kSignE);    // the E sign, drawn before its consonant
constexpr char16_t kGlyphEe = GlyphOf(kSignEe);  // the EE sign, drawn before its consonant
constexpr char16_t kGlyphRaSign = RaSignGlyph();

// The one fix-up that makes a ligature (SA, virama and the RRA-RRA ligature into 0xCC): its
// code, and the codes it stands for.
constexpr const FixupReplacement& LigatureFixup() {
  for (const FixupReplacement& fixup : FixupReplacements)
    if (fixup.replace.size() == 1 && fixup.find.size() > 1) return fixup;
  return FixupReplacements[0];
}
constexpr char16_t kFixupLigature = LigatureFixup().replace[0];
constexpr std::u16string_view kFixupLigatureParts = LigatureFixup().find;
static_assert(kFixupLigature >= 0xA1 && kFixupLigatureParts.size() == 3,
              "FixupReplacements must hold the fix-up that joins SA with the RRA-RRA ligature");

enum class Kind : std::uint8_t {
  kAscii,             // copied as it is: space, punctuation, line breaks
  kUnknown,           // no meaning in the encoding: copied, and counted
  kConsonant,         // `first` is the letter
  kLigature,          // `first`, virama, `second`
  kChillu,            // `first` is the atomic letter, `second` its consonant
  kIndependentVowel,  // `first`
  kPostBaseSign,      // `first`: a vowel sign drawn after its consonant
  kPreBaseSign,       // "s" and "t": drawn before their consonant
  kRaSign,            // "{": virama and RA, drawn before the consonant
  kSubjoinedSign,     // "y", "z": virama and `first` (YA, VA), drawn after the consonant
  kViramaMark,
  kOtherSign,  // anusvara, visarga
  kDigit,      // "0".."9"
  kJoiner,     // "!": ZWJ after a consonant and virama, else "!"
  kNonJoiner,  // "-": ZWNJ after a virama, else "-"
};

struct Meaning {
  Kind kind = Kind::kAscii;
  char16_t first = 0;
  char16_t second = 0;
};

using MeaningTable = std::array<Meaning, 256>;

constexpr bool IsAtomicChillu(char16_t code_point) {
  return code_point >= 0x0D7A && code_point <= 0x0D7E;
}

// The glyph map and the conjunct table read backwards.
constexpr MeaningTable BuildMeanings() {
  MeaningTable meanings{};
  for (unsigned code = 0x80; code <= 0xFF; ++code) meanings[code].kind = Kind::kUnknown;

  std::array<char16_t, 256> letter_of{};  // glyph code -> consonant
  for (const GlyphMapRow& row : kGlyphMap) {
    if (row.glyphs.size() != 1) continue;  // two-code letters and signs are read as pairs
    const char16_t code = row.glyphs[0];
    const char16_t point = row.code_point;
    Meaning& meaning = meanings[code];
    if (point >= 0x0D15 && point <= 0x0D39) {
      meaning = {Kind::kConsonant, point, 0};
      letter_of[code] = point;
    } else if (IsAtomicChillu(point)) {
      meaning = {Kind::kChillu, point, 0};  // 0xC0 and 0xC2 also stand for vocalic RR, L, LL
    } else if ((point >= 0x0D05 && point <= 0x0D14) || point == 0x0D60 || point == 0x0D61) {
      meaning = {Kind::kIndependentVowel, point, 0};
    } else if (point == kSignE || point == kSignEe) {
      meaning = {Kind::kPreBaseSign, point, 0};
    } else if ((point >= 0x0D3E && point <= 0x0D43) || point == 0x0D57) {
      meaning = {Kind::kPostBaseSign, point, 0};
    } else if (point == kViramaUnit) {
      meaning = {Kind::kViramaMark, point, 0};
    } else if (point == 0x0D02 || point == 0x0D03) {
      meaning = {Kind::kOtherSign, point, 0};
    } else if (point >= kDigitZero && point <= kDigitZero + 9) {
      meaning = {Kind::kDigit, point, 0};
    }
  }
  for (const ConjunctRule& rule : ConjunctTable) {
    Meaning& meaning = meanings[rule.Ligature];
    if (rule.Glyph[0] == kJoinerGlyph) {
      meaning.second = letter_of[rule.SecondLast];
    } else if (meaning.kind != Kind::kLigature && letter_of[rule.SecondLast] != 0) {
      // 0xE2 is NA + RRA with and without the joiner: read as the plain conjunct.
      meaning = {Kind::kLigature, letter_of[rule.SecondLast], letter_of[rule.Glyph[0]]};
    }
  }
  meanings[kFixupLigature] = {Kind::kLigature, 0, 0};  // EmitBase reads its parts
  for (const SubjoinedSignRule& rule : SubjoinedSignRules)
    meanings[rule.sign] = {rule.sign_before ? Kind::kRaSign : Kind::kSubjoinedSign,
                           letter_of[rule.glyph], 0};
  meanings[kJoinerGlyph] = {Kind::kJoiner, kZeroWidthJoiner, 0};
  meanings[kNonJoinerGlyph] = {Kind::kNonJoiner, kZeroWidthNonJoiner, 0};
  return meanings;
}

constexpr MeaningTable kMeanings = BuildMeanings();

static_assert(kMeanings[u'I'].kind == Kind::kConsonant && kMeanings[u'I'].first == 0x0D15);
static_assert(kMeanings[0xA1].kind == Kind::kLigature && kMeanings[0xA1].second == 0x0D15);
static_assert(kMeanings[0xE2].first == 0x0D28 && kMeanings[0xE2].second == 0x0D31);
static_assert(kMeanings[0xB3].kind == Kind::kChillu && kMeanings[0xB3].second == 0x0D28);
static_assert(kMeanings[0xC2].kind == Kind::kChillu && kMeanings[0xC2].first == 0x0D7D);
static_assert(kMeanings[u'{'].kind == Kind::kRaSign && kMeanings[u'{'].first == kRaUnit);
static_assert(kMeanings[u'y'].first == 0x0D2F && kMeanings[u'z'].first == 0x0D35);
constexpr bool FreeLigatureCodesHaveNoMeaning() {
  for (const GlyphCode code : kFreeLigatureCodes)
    if (kMeanings[code].kind != Kind::kUnknown) return false;
  return true;
}
static_assert(FreeLigatureCodesHaveNoMeaning(),
              "a code of kFreeLigatureCodes has a meaning: BuildMeanings reads something it should "
              "not");

// What two codes in a row stand for: a letter written with two codes (II as "Cu", AI as "sF"),
// or a vowel sign of two (AI as "ss", O as "sm"); from the code-unit map.
struct TwoCodes {
  char16_t first;
  char16_t second;
  char16_t meaning;
};

template <bool kLetters>
constexpr std::size_t CountTwoCodes() {
  std::size_t count = 0;
  for (const GlyphMapRow& row : kGlyphMap)
    if (row.glyphs.size() == 2 && ((row.code_point < 0x0D15) == kLetters)) ++count;
  return count;
}

template <bool kLetters>
constexpr std::array<TwoCodes, CountTwoCodes<kLetters>()> ListTwoCodes() {
  std::array<TwoCodes, CountTwoCodes<kLetters>()> list{};
  std::size_t at = 0;
  for (const GlyphMapRow& row : kGlyphMap)
    if (row.glyphs.size() == 2 && ((row.code_point < 0x0D15) == kLetters))
      list[at++] = {row.glyphs[0], row.glyphs[1], row.code_point};
  return list;
}

constexpr auto kTwoCodeLetters = ListTwoCodes<true>();
constexpr auto kTwoCodeSigns = ListTwoCodes<false>();

constexpr char16_t TwoCodeSign(char16_t first, char16_t second) {
  for (const TwoCodes& sign : kTwoCodeSigns)
    if (sign.first == first && sign.second == second) return sign.meaning;
  return 0;
}

static_assert(kTwoCodeLetters.size() == 5 && TwoCodeSign(kGlyphE, kGlyphE) == kSignAi &&
                  TwoCodeSign(kGlyphE, GlyphOf(0x0D3E)) == kSignO,
              "kGlyphMap's letters and vowel signs of two codes are not as the reader expects");

// The reading is written as UTF-16 units (char16_t) or as the bytes of UTF-8 (char).
template <typename Unit>
inline constexpr std::size_t kUnitsPerCharacter = sizeof(Unit) == 1 ? 3 : 1;  // at most, in the BMP

// Writes a character of the BMP that is not a surrogate half in the form of `Unit`, and returns
// how many units it took.
template <typename Unit>
constexpr std::size_t PutCharacter(char16_t character, Unit* out) {
  if constexpr (sizeof(Unit) == 2) {
    out[0] = character;
    return 1;
  } else {
    if (character < 0x80) {
      out[0] = static_cast<char>(character);
      return 1;
    }
    if (character < 0x800) {
      out[0] = static_cast<char>(0xC0 | (character >> 6));
      out[1] = static_cast<char>(0x80 | (character & 0x3F));
      return 2;
    }
    out[0] = static_cast<char>(0xE0 | (character >> 12));
    out[1] = static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (character & 0x3F));
    return 3;
  }
}

// How a code reads where nothing around it matters: the characters it gives, at most three.
// Codes whose reading depends on the codes around them, or that are counted, are not simple. A
// consonant or ligature reads simply unless a sign of its cluster follows it (a YA or VA sign,
// or a pre-base sign that landed after it); a post-base sign after it is read on its own.
template <typename Unit>
struct alignas(16) SimpleReading {
  // Stored as one word whatever the count: four UTF-16 units, or twelve bytes of UTF-8.
  std::array<Unit, sizeof(Unit) == 1 ? 12 : 4> units{};
  std::uint8_t count = 0;  // units, or bytes
  bool simple = false;
  bool base = false;  // a consonant or ligature: simple only where no sign of its cluster follows
};

template <typename Unit>
using SimpleReadings = std::array<SimpleReading<Unit>, 256>;

// The codes that, after a consonant or ligature, belong to its cluster: the YA and VA signs,
// and a pre-base sign that landed after it.
inline constexpr std::array<bool, 256> kSignsOfCluster = [] {
  std::array<bool, 256> signs{};
  for (std::size_t code = 0; code < signs.size(); ++code)
    signs[code] =
        kMeanings[code].kind == Kind::kSubjoinedSign || kMeanings[code].kind == Kind::kPreBaseSign;
  return signs;
}();

template <typename Unit>
constexpr SimpleReadings<Unit> BuildSimpleReadings(ToUnicodeOptions options) {
  SimpleReadings<Unit> readings{};
  for (unsigned code = 0; code < readings.size(); ++code) {
    const Meaning& meaning = kMeanings[code];
    SimpleReading<Unit>& reading = readings[code];
    const auto give = [&reading](std::initializer_list<char16_t> characters) {
      for (const char16_t character : characters)
        reading.count = static_cast<std::uint8_t>(
            reading.count + PutCharacter(character, reading.units.data() + reading.count));
      reading.simple = true;
    };
    bool starts_letter = false;
    for (const TwoCodes& letter : kTwoCodeLetters) starts_letter |= letter.first == code;
    if (starts_letter) continue;
    switch (meaning.kind) {
      case Kind::kAscii:
        give({static_cast<char16_t>(code)});
        break;
      case Kind::kIndependentVowel:
      case Kind::kPostBaseSign:
      case Kind::kViramaMark:
      case Kind::kOtherSign:
        give({meaning.first});
        break;
      case Kind::kSubjoinedSign:
        give({kViramaUnit, meaning.first});
        break;
      case Kind::kConsonant:
        give({meaning.first});
        reading.base = true;
        break;
      case Kind::kLigature:
        if (code == kFixupLigature) break;  // five units
        give({meaning.first, kViramaUnit, meaning.second});
        reading.base = true;
        break;
      case Kind::kDigit:
        give({options.digits == ToUnicodeOptions::Digits::kAscii
                  ? static_cast<char16_t>(u'0' + (meaning.first - kDigitZero))
                  : meaning.first});
        break;
      case Kind::kChillu:
        if (options.chillu == ToUnicodeOptions::Chillu::kAtomic) {
          give({meaning.first});
        } else {
          give({meaning.second, kViramaUnit, kZeroWidthJoiner});
        }
        break;
      default:
        break;
    }
  }
  return readings;
}

constexpr ToUnicodeOptions Options(ToUnicodeOptions::Digits digits,
                                   ToUnicodeOptions::Chillu chillu) {
  ToUnicodeOptions options;
  options.digits = digits;
  options.chillu = chillu;
  return options;
}

// For each choice of digits and chillus.
template <typename Unit>
inline constexpr std::array<SimpleReadings<Unit>, 4> kSimpleReadings = {
    BuildSimpleReadings<Unit>(
        Options(ToUnicodeOptions::Digits::kAscii, ToUnicodeOptions::Chillu::kAtomic)),
    BuildSimpleReadings<Unit>(
        Options(ToUnicodeOptions::Digits::kAscii, ToUnicodeOptions::Chillu::kSequence)),
    BuildSimpleReadings<Unit>(
        Options(ToUnicodeOptions::Digits::kMalayalam, ToUnicodeOptions::Chillu::kAtomic)),
    BuildSimpleReadings<Unit>(
        Options(ToUnicodeOptions::Digits::kMalayalam, ToUnicodeOptions::Chillu::kSequence)),
};

// A consonant read simply leaves a post-base sign after it to be read on its own: that must
// give the sign's letter, as reading it with its consonant would.
constexpr bool PostBaseSignsReadSimply() {
  for (const SimpleReadings<char16_t>& readings : kSimpleReadings<char16_t>) {
    for (std::size_t code = 0; code < kMeanings.size(); ++code) {
      const SimpleReading<char16_t>& reading = readings[code];
      if (kMeanings[code].kind == Kind::kPostBaseSign &&
          !(reading.simple && reading.count == 1 && reading.units[0] == kMeanings[code].first))
        return false;
    }
  }
  return true;
}
static_assert(PostBaseSignsReadSimply(), "a post-base sign must read as its letter on its own");

// The kinds whose every code reads simply, whatever the options: the reader takes them from
// the tables alone.
constexpr bool AlwaysSimple(Kind kind) {
  switch (kind) {
    case Kind::kAscii:
    case Kind::kSubjoinedSign:
    case Kind::kDigit:
    case Kind::kChillu:
    case Kind::kPostBaseSign:
    case Kind::kViramaMark:
    case Kind::kOtherSign:
      return true;
    default:
      return false;
  }
}

constexpr bool AlwaysSimpleKindsReadSimply() {
  for (const SimpleReadings<char16_t>& readings : kSimpleReadings<char16_t>)
    for (std::size_t code = 0; code < kMeanings.size(); ++code)
      if (AlwaysSimple(kMeanings[code].kind) && !readings[code].simple) return false;
  return true;
}
static_assert(AlwaysSimpleKindsReadSimply(),
              "a code of a kind the reader takes from the tables alone must read simply");

template <typename Unit>
const SimpleReadings<Unit>& SimpleReadingsFor(const ToUnicodeOptions& options) {
  const bool malayalam = options.digits == ToUnicodeOptions::Digits::kMalayalam;
  const bool sequence = options.chillu == ToUnicodeOptions::Chillu::kSequence;
  return kSimpleReadings<Unit>[(malayalam ? 2u : 0u) + (sequence ? 1u : 0u)];
}

// How a pre-base sign (E or EE) reads after the consonant or ligature it stands before, by the
// code after that base: a post-base sign there joins it (E and AA are O) or follows it; any
// other code is left for the next reading. `codes` counts the sign codes read, one or two.
template <typename Unit>
struct VowelReading {
  std::array<Unit, sizeof(Unit) == 1 ? 8 : 4> units{};  // stored as one word, whatever the count
  std::uint8_t count = 0;                               // units, or bytes
  std::uint8_t codes = 0;
};

template <typename Unit>
using VowelReadings = std::array<VowelReading<Unit>, 256>;

template <typename Unit>
constexpr VowelReadings<Unit> BuildVowelReadings(char16_t pre_base) {
  VowelReadings<Unit> readings{};
  for (unsigned after = 0; after < readings.size(); ++after) {
    VowelReading<Unit>& reading = readings[after];
    const auto give = [&reading](std::initializer_list<char16_t> characters, std::uint8_t codes) {
      for (const char16_t character : characters)
        reading.count = static_cast<std::uint8_t>(
            reading.count + PutCharacter(character, reading.units.data() + reading.count));
      reading.codes = codes;
    };
    if (kMeanings[after].kind != Kind::kPostBaseSign) {
      give({kMeanings[pre_base].first}, 1);
    } else if (const char16_t sign = TwoCodeSign(pre_base, static_cast<char16_t>(after))) {
      give({sign}, 2);
    } else {
      give({kMeanings[pre_base].first, kMeanings[after].first}, 2);
    }
  }
  return readings;
}

template <typename Unit>
inline constexpr VowelReadings<Unit> kVowelsAfterE = BuildVowelReadings<Unit>(kGlyphE);
template <typename Unit>
inline constexpr VowelReadings<Unit> kVowelsAfterEe = BuildVowelReadings<Unit>(kGlyphEe);

// The quick reading of a pre-base sign takes the code after it as its base when that reads
// simply as a base, and reads the E sign before another E sign or the RA sign as the start of
// a cluster: no letter of two codes may begin so.
constexpr bool NoLetterBeginsWithSignAndBase() {
  for (const TwoCodes& letter : kTwoCodeLetters)
    if ((letter.first == kGlyphE || letter.first == kGlyphEe) &&
        (kMeanings[letter.second].kind == Kind::kConsonant ||
         kMeanings[letter.second].kind == Kind::kLigature || letter.second == kGlyphE ||
         letter.second == kGlyphRaSign))
      return false;
  return true;
}
static_assert(NoLetterBeginsWithSignAndBase(),
              "a letter of two codes begins with a pre-base sign and a base, a second E sign or "
              "the RA sign: the quick reading of pre-base signs must look for it");

// What a reading counts besides its text: the codes with no meaning, and where the first stands.
struct UnknownCount {
  std::size_t codes = 0;
  std::size_t first = 0;
};

// Reads glyph codes into text of `Unit`s: UTF-16 units, or bytes of UTF-8.
template <typename Unit>
class Reader {
 public:
  // No glyph code gives more than five characters (0xCC), nor does any cluster per code.
  static constexpr std::size_t kMostUnitsPerCode = 5 * kUnitsPerCharacter<Unit>;
  // No cluster reads more codes than this past the code it starts at.
  static constexpr std::size_t kLongestCluster = 16;

  // Without `quick`, every code goes through ReadNext: the general reading that the quick one
  // must match.
  Reader(std::u16string_view glyphs, const ToUnicodeOptions& options, bool quick = true)
      : glyphs_(glyphs),
        options_(options),
        simple_(SimpleReadingsFor<Unit>(options)),
        quick_(quick) {}

  // The text is written in chunks of codes: before each chunk, `make_room(written, more)` makes
  // room for what its codes and a cluster running past its end can give, keeping the units
  // written, and returns where the text starts. Returns how many units were written.
  static constexpr std::size_t kChunk = std::size_t{1} << 14;
  template <typename MakeRoom>
  std::size_t Run(MakeRoom make_room) {
    const std::size_t unchecked_end =
        glyphs_.size() > kLongestCluster ? glyphs_.size() - kLongestCluster : 0;
    std::size_t written = 0;
    while (at_ < glyphs_.size()) {
      const std::size_t chunk_end = std::min(glyphs_.size(), at_ + kChunk);
      begin_ = make_room(written, kMostUnitsPerCode * (chunk_end - at_ + kLongestCluster));
      end_ = begin_ + written;
      const std::size_t quick_end = std::min(chunk_end, unchecked_end);
      while (at_ < quick_end) {
        if (quick_) ReadSimpleCodes(quick_end);
        if (at_ < quick_end) ReadNext<false>();
      }
      while (at_ < chunk_end) ReadNext<true>();
      written = static_cast<std::size_t>(end_ - begin_);
    }
    return written;
  }

  [[nodiscard]] const UnknownCount& Unknown() const { return unknown_; }

 private:
  // The code `ahead` codes on, or 0xFFFF past the end. Away from the end (kChecked false) the
  // code is read without looking for the end: no cluster reads kLongestCluster codes on.
  template <bool kChecked>
  [[nodiscard]] char16_t Peek(std::size_t ahead = 0) const {
    if constexpr (kChecked) {
      return at_ + ahead < glyphs_.size() ? glyphs_[at_ + ahead] : char16_t{0xFFFF};
    } else {
      return glyphs_[at_ + ahead];
    }
  }
  [[nodiscard]] static Kind KindOf(char16_t unit) {
    return unit <= 0xFF ? kMeanings[unit].kind : Kind::kAscii;
  }
  [[nodiscard]] static bool IsBase(char16_t unit) {
    const Kind kind = KindOf(unit);
    return unit <= 0xFF && (kind == Kind::kConsonant || kind == Kind::kLigature);
  }
  [[nodiscard]] static bool IsPreBase(char16_t unit) { return unit == kGlyphE || unit == kGlyphEe; }
  [[nodiscard]] static bool IsSubjoined(char16_t unit) {
    return unit <= 0xFF && kMeanings[unit].kind == Kind::kSubjoinedSign;
  }

  void Emit(char16_t character) { end_ += PutCharacter(character, end_); }

  // A unit from 0x100 up, copied as it is. UTF-8 holds a surrogate pair as one character, and
  // cannot hold half of one: that is written as U+FFFD.
  template <bool kChecked>
  void EmitUnmapped(char16_t unit) {
    if constexpr (sizeof(Unit) == 1) {
      const char16_t next = Peek<kChecked>(1);
      if (IsHighSurrogate(unit) && IsLowSurrogate(next)) {
        const char32_t code_point =
            0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (next - 0xDC00);
        end_[0] = static_cast<char>(0xF0 | (code_point >> 18));
        end_[1] = static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
        end_[2] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        end_[3] = static_cast<char>(0x80 | (code_point & 0x3F));
        end_ += 4;
        at_ += 2;
        return;
      }
      if (IsSurrogate(unit)) unit = kReplacementCharacter;
    }
    Emit(unit);
    ++at_;
  }

  // A character already written, the one that ends at `at`, and how many units it takes; 0 and 0
  // at the start of the text. Characters outside the BMP read as 0xFFFF.
  struct Written {
    char16_t character;
    std::size_t units;
  };
  [[nodiscard]] Written WrittenBefore(const Unit* at) const {
    const auto written = static_cast<std::size_t>(at - begin_);
    if (written == 0) return {0, 0};
    if constexpr (sizeof(Unit) == 2) {
      return {at[-1], 1};
    } else {
      const auto byte = [at](std::size_t back) { return static_cast<unsigned char>(*(at - back)); };
      if (byte(1) < 0x80) return {byte(1), 1};
      if (written >= 2 && (byte(2) & 0xE0) == 0xC0)
        return {static_cast<char16_t>(((byte(2) & 0x1F) << 6) | (byte(1) & 0x3F)), 2};
      if (written >= 3 && (byte(3) & 0xF0) == 0xE0)
        return {static_cast<char16_t>(((byte(3) & 0x0F) << 12) | ((byte(2) & 0x3F) << 6) |
                                      (byte(1) & 0x3F)),
                3};
      return {0xFFFF, 4};
    }
  }

  // Whether the code after a consonant or ligature is a sign of its cluster. Computed without a
  // branch: whether a base has one changes from syllable to syllable.
  [[nodiscard]] static bool SignOfClusterFollows(char16_t next) {
    return (next <= 0xFF) & kSignsOfCluster[next & 0xFF];
  }

  // Reads the codes that read simply from the tables, and the commonest clusters (a base with a
  // YA or VA sign; the RA sign or a pre-base sign, a base that reads simply and perhaps a
  // post-base sign), up to `limit` (at most
  // kLongestCluster codes before the end) or the first code that takes more. The position and
  // the write pointer stay in registers: stored through end_, the units might be taken to
  // overwrite the members.
  void ReadSimpleCodes(std::size_t limit) {
    const char16_t* const glyphs = glyphs_.data();
    const SimpleReading<Unit>* const simple = simple_.data();
    std::size_t at = at_;
    Unit* end = end_;
    while (at < limit) {
      const char16_t unit = glyphs[at];
      const SimpleReading<Unit>& reading = simple[unit & 0xFF];
      if ((unit <= 0xFF) &
          (reading.simple & !(reading.base & SignOfClusterFollows(glyphs[at + 1])))) [[likely]] {
        std::memcpy(end, reading.units.data(), sizeof reading.units);
        end += reading.count;
        ++at;
        continue;
      }
      const char16_t next = glyphs[at + 1];
      const char16_t after = glyphs[at + 2];
      if (reading.base & (unit <= 0xFF)) {
        // A base and one YA or VA sign that nothing of their cluster follows: each reads simply.
        if (!IsSubjoined(next) || SignOfClusterFollows(after)) break;
        std::memcpy(end, reading.units.data(), sizeof reading.units);
        end += reading.count;
        std::memcpy(end, simple[next].units.data(), sizeof reading.units);
        end += simple[next].count;
        at += 2;
        continue;
      }
      // The RA sign or a pre-base sign before a base that reads simply, with nothing of their
      // cluster after the base.
      if ((unit == kGlyphE) & ((next == kGlyphE) | (next == kGlyphRaSign))) {
        // Two E signs (the AI sign), or the E sign and the RA sign, before a base that reads
        // simply, with nothing of their cluster after the base.
        const char16_t past = glyphs[at + 3];
        const SimpleReading<Unit>& base_reading = simple[after & 0xFF];
        if ((after > 0xFF) | !base_reading.simple | !base_reading.base | SignOfClusterFollows(past))
          break;
        std::memcpy(end, base_reading.units.data(), sizeof base_reading.units);
        end += base_reading.count;
        if (next == kGlyphE) {
          end += PutCharacter(kSignAi, end);
          at += 3;
          continue;
        }
        end += PutCharacter(kViramaUnit, end);
        end += PutCharacter(kRaUnit, end);
        const VowelReading<Unit>& vowel = kVowelsAfterE<Unit>[past <= 0xFF ? past : 0];
        std::memcpy(end, vowel.units.data(), sizeof vowel.units);
        end += vowel.count;
        at += 2 + vowel.codes;
        continue;
      }
      const SimpleReading<Unit>& base_reading = simple[next & 0xFF];
      if ((next > 0xFF) | !base_reading.simple | !base_reading.base | SignOfClusterFollows(after))
        break;
      if (unit == kGlyphRaSign) {
        std::memcpy(end, base_reading.units.data(), sizeof base_reading.units);
        end += base_reading.count;
        end += PutCharacter(kViramaUnit, end);
        end += PutCharacter(kRaUnit, end);
        at += 2;
        continue;
      }
      if (!IsPreBase(unit)) break;
      const VowelReading<Unit>& vowel =
          (unit == kGlyphE ? kVowelsAfterE<Unit> : kVowelsAfterEe<Unit>)[after <= 0xFF ? after : 0];
      std::memcpy(end, base_reading.units.data(), sizeof base_reading.units);
      end += base_reading.count;
      std::memcpy(end, vowel.units.data(), sizeof vowel.units);
      end += vowel.count;
      at += 1 + vowel.codes;
    }
    at_ = at;
    end_ = end;
  }

  template <bool kChecked>
  void ReadNext() {
    const char16_t unit = glyphs_[at_];
    if (unit > 0xFF) {
      EmitUnmapped<kChecked>(unit);
      return;
    }
    const SimpleReading<Unit>& reading = simple_[unit];
    if (reading.simple & !(reading.base & SignOfClusterFollows(Peek<kChecked>(1)))) {
      // The whole word is stored, the count kept: the room holds five characters a code.
      std::memcpy(end_, reading.units.data(), sizeof reading.units);
      end_ += reading.count;
      ++at_;
      return;
    }
    const Meaning& meaning = kMeanings[unit];
    if (meaning.kind == Kind::kIndependentVowel || unit == kGlyphE) {
      for (const TwoCodes& letter : kTwoCodeLetters) {
        if (unit == letter.first && Peek<kChecked>(1) == letter.second) {
          Emit(letter.meaning);
          at_ += 2;
          return;
        }
      }
    }
    switch (meaning.kind) {
      case Kind::kConsonant:
      case Kind::kLigature:
        ReadBase<kChecked>();
        return;
      case Kind::kPreBaseSign:
      case Kind::kRaSign:
        ReadCluster<kChecked>();
        return;
      case Kind::kIndependentVowel:  // one that begins a letter of two codes, here alone
        Emit(meaning.first);
        break;
      case Kind::kJoiner:
        EmitJoiner(unit);
        break;
      case Kind::kNonJoiner:
        Emit(AfterViramaGlyph() ? kZeroWidthNonJoiner : unit);
        break;
      case Kind::kUnknown:
        if (unknown_.codes++ == 0) unknown_.first = at_;
        Emit(unit);
        break;
      default:  // the kinds that always read simply (AlwaysSimple) never come here
        break;
    }
    ++at_;
  }

  // A consonant or ligature that is not read simply: the ligature of five units, or a base
  // that a sign of its cluster follows, which ReadCluster reads.
  template <bool kChecked>
  void ReadBase() {
    if (SignOfClusterFollows(Peek<kChecked>(1))) {
      ReadCluster<kChecked>();
      return;
    }
    EmitBase(glyphs_[at_]);
    ++at_;
  }

  // Pre-base signs and the RA sign, a consonant or ligature, YA and VA signs (with a pre-base
  // sign that landed among them), and one post-base sign, in Unicode's order.
  template <bool kChecked>
  void ReadCluster() {
    char16_t before[2] = {};
    std::size_t before_count = 0;
    bool ra_sign = false;
    for (;;) {
      const char16_t unit = Peek<kChecked>();
      if (IsPreBase(unit) && before_count < 2 && !ra_sign) {
        before[before_count++] = unit;
      } else if (unit == kGlyphRaSign && !ra_sign) {
        ra_sign = true;
      } else {
        break;
      }
      ++at_;
    }
    const char16_t base = Peek<kChecked>();
    if (!IsBase(base)) {
      // Signs with no consonant after them stand as they are.
      if (ra_sign) {
        Emit(kViramaUnit);
        Emit(kRaUnit);
      }
      EmitVowel(before, before_count, TakePostBaseSign<kChecked>());
      return;
    }
    ++at_;
    char16_t subjoined[4] = {};
    std::size_t subjoined_count = 0;
    while (subjoined_count < std::size(subjoined)) {
      if (IsSubjoined(Peek<kChecked>())) {
        subjoined[subjoined_count++] = kMeanings[Peek<kChecked>()].first;
        ++at_;
      } else if (IsPreBase(Peek<kChecked>()) && before_count < 2 &&
                 (IsSubjoined(Peek<kChecked>(1)) ||
                  (before_count == 0 && IsPreBase(Peek<kChecked>(1)) &&
                   IsSubjoined(Peek<kChecked>(2))))) {
        // The conversion leaves an AI, O, OO or AU sign between a consonant and its YA or VA
        // sign: it belongs to this consonant.
        before[before_count++] = Peek<kChecked>();
        ++at_;
      } else {
        break;
      }
    }
    EmitBase(base);
    if (ra_sign) {
      Emit(kViramaUnit);
      Emit(kRaUnit);
    }
    for (std::size_t i = 0; i < subjoined_count; ++i) {
      Emit(kViramaUnit);
      Emit(subjoined[i]);
    }
    EmitVowel(before, before_count, TakePostBaseSign<kChecked>());
  }

  template <bool kChecked>
  char16_t TakePostBaseSign() {
    const char16_t unit = Peek<kChecked>();
    if (KindOf(unit) != Kind::kPostBaseSign || unit > 0xFF) return 0;
    ++at_;
    return unit;
  }

  void EmitBase(char16_t base) {
    const Meaning& meaning = kMeanings[base];
    if (base == kFixupLigature) {
      for (const char16_t part : kFixupLigatureParts) {
        if (part == kViramaGlyph) {
          Emit(kViramaUnit);
        } else {
          EmitBase(part);
        }
      }
      return;
    }
    Emit(meaning.first);
    if (meaning.kind == Kind::kLigature) {
      Emit(kViramaUnit);
      Emit(meaning.second);
    }
  }

  // The vowel sign of a cluster from its pre-base and post-base glyphs, composed as in NFC.
  void EmitVowel(const char16_t* before, std::size_t before_count, char16_t after) {
    // E or EE with AA or the AU length mark is O, OO or AU; two E signs are AI.
    if (before_count == 1 && after != 0) {
      if (const char16_t sign = TwoCodeSign(before[0], after)) {
        Emit(sign);
        return;
      }
    }
    const char16_t pair = before_count == 2 ? TwoCodeSign(before[0], before[1]) : char16_t{0};
    if (pair != 0) {
      Emit(pair);
    } else {
      for (std::size_t i = 0; i < before_count; ++i) Emit(kMeanings[before[i]].first);
    }
    if (after != 0) Emit(kMeanings[after].first);
  }

  // The code before the one in hand is the virama glyph: characters copied through as they
  // are (Unicode text already) never take part.
  [[nodiscard]] bool AfterViramaGlyph() const {
    return at_ >= 1 && glyphs_[at_ - 1] == kViramaGlyph &&
           WrittenBefore(end_).character == kViramaUnit;
  }

  // "!" is the joiner after a consonant and the virama; with atomic chillus, the code of KA
  // and the virama before it are the chillu K. A ligature that ends in KA keeps its letters and
  // takes the joiner, as the conversion writes "¡v!" for KA, virama, KA, virama, ZWJ.
  void EmitJoiner(char16_t unit) {
    if (!AfterViramaGlyph() || at_ < 2 || glyphs_[at_ - 2] > 0xFF) {
      Emit(unit);
      return;
    }
    const Written virama = WrittenBefore(end_);
    const Written letter = WrittenBefore(end_ - virama.units);
    if (letter.character < 0x0D15 || letter.character > 0x0D39) {  // not after a consonant
      Emit(unit);
      return;
    }
    if (options_.chillu == ToUnicodeOptions::Chillu::kAtomic && letter.character == 0x0D15 &&
        kMeanings[glyphs_[at_ - 2]].kind == Kind::kConsonant) {
      end_ -= letter.units + virama.units;  // KA and the virama
      Emit(0x0D7F);                         // are the chillu K
      return;
    }
    Emit(kZeroWidthJoiner);
  }

  std::u16string_view glyphs_;
  ToUnicodeOptions options_;
  const SimpleReadings<Unit>& simple_;
  bool quick_;
  std::size_t at_ = 0;
  Unit* begin_ = nullptr;  // where the text starts
  Unit* end_ = nullptr;    // where the next unit goes
  UnknownCount unknown_;
};

ToUnicodeResult ReadIntoString(std::u16string_view glyphs, const ToUnicodeOptions& options,
                               bool quick) {
  Reader<char16_t> reader(glyphs, options, quick);
  ToUnicodeResult result;
  std::u16string& text = result.text;
  // Twice the codes is more than most texts take; past it the string grows as it must. Room is
  // zero-filled only as it is made, so only about as much memory is touched as the text takes.
  text.reserve(2 * glyphs.size() +
               Reader<char16_t>::kMostUnitsPerCode *
                   (Reader<char16_t>::kChunk + Reader<char16_t>::kLongestCluster));
  AdviseHugePages(text.data(), text.capacity() * sizeof(char16_t));
  text.resize(reader.Run([&text](std::size_t written, std::size_t more) {
    text.resize(written + more);
    return text.data();
  }));
  result.unknown_codes = reader.Unknown().codes;
  result.first_unknown = reader.Unknown().first;
  return result;
}

}  // namespace

ToUnicodeResult ConvertToUnicode(std::u16string_view glyphs, const ToUnicodeOptions& options) {
  return ReadIntoString(glyphs, options, true);
}

ToUnicodeResult detail::ConvertToUnicodeCodeByCode(std::u16string_view glyphs,
                                                   const ToUnicodeOptions& options) {
  return ReadIntoString(glyphs, options, false);
}

ToUnicodeUtf8Converter::ToUnicodeUtf8Converter(const ToUnicodeOptions& options)
    : options_(options) {}

ToUnicodeUtf8Converter::ToUnicodeUtf8Converter(ToUnicodeUtf8Converter&&) noexcept = default;
ToUnicodeUtf8Converter& ToUnicodeUtf8Converter::operator=(ToUnicodeUtf8Converter&&) noexcept =
    default;
ToUnicodeUtf8Converter::~ToUnicodeUtf8Converter() = default;

ToUnicodeUtf8Result ToUnicodeUtf8Converter::Convert(std::u16string_view glyphs) {
  Reader<char> reader(glyphs, options_);
  // The memory grows as it must and is kept: it is never zero-filled, as every byte of the text
  // is written before it is read.
  const std::size_t written = reader.Run([this](std::size_t kept, std::size_t more) {
    if (capacity_ - kept < more) {
      const std::size_t capacity = std::max(kept + more, capacity_ + capacity_ / 2);
      std::unique_ptr<char[]> grown(new char[capacity]);
      if (kept != 0) std::memcpy(grown.get(), buffer_.get(), kept);
      AdviseHugePages(grown.get(), capacity);
      buffer_ = std::move(grown);
      capacity_ = capacity;
    }
    return buffer_.get();
  });
  return {std::string_view(buffer_.get(), written), reader.Unknown().codes, reader.Unknown().first};
}

bool StandsBeforeConsonant(char16_t glyph) {
  return glyph == kGlyphE || glyph == kGlyphEe || glyph == kGlyphRaSign;
}

bool IsGlyphCutPoint(std::u16string_view glyphs, std::size_t at) {
  if (at == 0 || at >= glyphs.size()) return true;
  const char16_t before = glyphs[at - 1];
  const char16_t here = glyphs[at];
  if (IsLineBreak(before) || IsLineBreak(here)) return true;  // each line reads alone
  if (IsLowSurrogate(here)) return false;
  // Pre-base signs and the RA sign stand before the consonant whose cluster they belong to.
  if (before == kGlyphE || before == kGlyphEe || before == kGlyphRaSign) return false;
  if (here > 0xFF) return true;
  const auto kind_at = [glyphs](std::size_t i) {
    return i < glyphs.size() && glyphs[i] <= 0xFF ? kMeanings[glyphs[i]].kind : Kind::kAscii;
  };
  switch (kMeanings[here].kind) {
    case Kind::kPreBaseSign:
      // One left between a consonant and its YA or VA sign belongs to that consonant.
      return kind_at(at + 1) != Kind::kSubjoinedSign &&
             !(kind_at(at + 1) == Kind::kPreBaseSign && kind_at(at + 2) == Kind::kSubjoinedSign);
    case Kind::kAscii:
    case Kind::kUnknown:
    case Kind::kConsonant:
    case Kind::kLigature:
    case Kind::kChillu:
    case Kind::kIndependentVowel:
    case Kind::kRaSign:
    case Kind::kDigit:
      return true;
    default:  // signs that follow their consonant, and the joiners, which read by what precedes
      return false;
  }
}

}  // namespace lipimattam
