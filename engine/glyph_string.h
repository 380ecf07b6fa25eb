// Glyph codes of the 8-bit font "ML-TTRevathi" and the short strings of them that the
// conversion rules build.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lipimattam {

// One code of the font's encoding. In text it is held as one 16-bit unit of the same value,
// so the glyph code 0xC2 and the character U+00C2 are the same unit.
using GlyphCode = std::uint8_t;

// A short sequence of 16-bit units, as a rule glyph codes; it may also hold a character the
// glyph map does not know (one unit, or a surrogate pair that a sign is moved in front of).
// The units are packed into one 64-bit word, so the strings stay in registers on the hot path.
class GlyphString {
 public:
  static constexpr std::size_t kCapacity = 4;

  constexpr GlyphString() = default;
  // NOLINTNEXTLINE(google-explicit-constructor): a single unit is a glyph string.
  constexpr GlyphString(char16_t unit) : packed_{unit}, length_{1} {}
  template <std::size_t N>
  // NOLINTNEXTLINE(google-explicit-constructor): literals such as u"sm" are glyph strings.
  constexpr GlyphString(const char16_t (&text)[N]) : GlyphString(std::u16string_view(text, N - 1)) {
    static_assert(N - 1 <= kCapacity, "a glyph string holds at most four units");
  }
  constexpr explicit GlyphString(std::u16string_view text) {
    if (text.size() > kCapacity) throw std::length_error("glyph string longer than four units");
    for (char16_t unit : text) Push(unit);
  }

  [[nodiscard]] constexpr std::size_t size() const { return length_; }
  [[nodiscard]] constexpr bool empty() const { return length_ == 0; }
  [[nodiscard]] constexpr char16_t operator[](std::size_t i) const {
    return static_cast<char16_t>(packed_ >> (16 * i));
  }
  // Unit i in bits 16i to 16i+15; the bits past the length are zero.
  [[nodiscard]] constexpr std::uint64_t Packed() const { return packed_; }
  [[nodiscard]] std::u16string Text() const {
    std::u16string text;
    for (std::size_t i = 0; i < length_; ++i) text += (*this)[i];
    return text;
  }

  // Appends one unit; the rules never build more than kCapacity units.
  constexpr void Push(char16_t unit) {
    packed_ |= std::uint64_t{unit} << (16 * length_);
    ++length_;
  }

  friend constexpr bool operator==(const GlyphString& a, const GlyphString& b) {
    return a.length_ == b.length_ && a.packed_ == b.packed_;
  }

 private:
  std::uint64_t packed_ = 0;
  std::uint8_t length_ = 0;
};

// Stores four units packed as GlyphString packs them (unit i in bits 16i to 16i+15) at `to`,
// in one 64-bit store where the machine's order allows: the rows' and the appends' one write.
inline void StorePacked(char16_t* to, std::uint64_t packed) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(to, &packed, sizeof packed);
  } else {
    for (std::size_t i = 0; i < GlyphString::kCapacity; ++i)
      to[i] = static_cast<char16_t>(packed >> (16 * i));
  }
}

}  // namespace lipimattam
