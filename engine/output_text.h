// The output buffer of a conversion pass.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/glyph_string.h"

namespace lipimattam {

// A sequence of 16-bit units: units below 0x100 are glyph codes, units from 0x100 up are
// input characters the glyph map does not know. The stages read and rewrite only its end;
// positions are counted from the end (FromEnd(1) is the last unit).
class OutputText {
 public:
  OutputText() = default;
  explicit OutputText(std::u16string_view text) {
    Reserve(text.size());
    size_ = text.size();
    if (size_ != 0) std::memcpy(buffer_.get(), text.data(), size_ * sizeof(char16_t));
  }

  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] bool empty() const { return size_ == 0; }
  [[nodiscard]] std::u16string_view View() const { return {buffer_.get(), size_}; }
  [[nodiscard]] char16_t* data() { return buffer_.get(); }

  // The k-th unit from the end, k from 1 to size().
  [[nodiscard]] char16_t FromEnd(std::size_t k) const { return buffer_[size_ - k]; }

  // Makes room for `units` units in all without further allocation. The room is not
  // written to, so memory the text never reaches is never touched.
  void Reserve(std::size_t units) {
    if (units > kMaxUnits) throw std::length_error("output text too long");
    const std::size_t wanted = units + GlyphString::kCapacity;
    if (wanted <= capacity_) return;
    auto larger = std::make_unique_for_overwrite<char16_t[]>(wanted);
    std::copy_n(buffer_.get(), size_, larger.get());
    buffer_ = std::move(larger);
    capacity_ = wanted;
  }

  void Append(char16_t unit) {
    if (size_ + 1 > capacity_) Grow();
    buffer_[size_++] = unit;
  }

  void Append(const GlyphString& glyphs) {
    // All four units are stored and only the string's length counts: no loop on the hot path.
    if (size_ + GlyphString::kCapacity > capacity_) Grow();
    const std::uint64_t packed = glyphs.Packed();
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(buffer_.get() + size_, &packed, sizeof packed);
    } else {
      for (std::size_t i = 0; i < GlyphString::kCapacity; ++i) buffer_[size_ + i] = glyphs[i];
    }
    size_ += glyphs.size();
  }

  // Removes the last n units; n never exceeds size().
  void RemoveLast(std::size_t n) { size_ -= n; }

  // Keeps the first n units; n never exceeds size().
  void Truncate(std::size_t n) { size_ = n; }

  // Takes the first n units of the room as the text, for a writer that fills the room through
  // data(); n never exceeds the room that Reserve made.
  void SetLength(std::size_t n) { size_ = n; }

 private:
  static constexpr std::size_t kMaxUnits = PTRDIFF_MAX / sizeof(char16_t) / 4;

  // Kept out of line, so the hot path holds the buffer's fields in registers.
  [[gnu::noinline, gnu::cold]] void Grow() { Reserve(std::max<std::size_t>(60, capacity_ * 2)); }

  std::unique_ptr<char16_t[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
};

}  // namespace lipimattam
