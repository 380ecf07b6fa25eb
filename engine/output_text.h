// The output buffer of a conversion pass.
#pragma once

#include <algorithm>
#include <cstddef>
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
    std::copy(text.begin(), text.end(), data_);
    size_ = text.size();
  }

  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] bool empty() const { return size_ == 0; }
  [[nodiscard]] std::u16string_view View() const { return {data_, size_}; }
  [[nodiscard]] char16_t* data() { return data_; }

  // The k-th unit from the end, k from 1 to size().
  [[nodiscard]] char16_t FromEnd(std::size_t k) const { return data_[size_ - k]; }

  // Makes room for at least `units` units in all without further allocation.
  void Reserve(std::size_t units) {
    const std::size_t wanted = units + GlyphString::kCapacity;
    if (wanted > buffer_.size()) {
      buffer_.resize(wanted);
      data_ = buffer_.data();
    }
  }

  void Append(char16_t unit) {
    if (size_ + 1 > buffer_.size()) Grow();
    data_[size_++] = unit;
  }

  void Append(const GlyphString& glyphs) {
    // All four units are copied and only the string's length counts: no loop on the hot path.
    if (size_ + GlyphString::kCapacity > buffer_.size()) Grow();
    std::copy_n(glyphs.data(), GlyphString::kCapacity, data_ + size_);
    size_ += glyphs.size();
  }

  // Removes the last n units; n never exceeds size().
  void RemoveLast(std::size_t n) { size_ -= n; }

  // Keeps the first n units; n never exceeds size().
  void Truncate(std::size_t n) { size_ = n; }

  // Hands the text over; the buffer is empty afterwards.
  [[nodiscard]] std::u16string Release() && {
    buffer_.resize(size_);
    size_ = 0;
    data_ = nullptr;
    return std::move(buffer_);
  }

 private:
  void Grow() { Reserve(std::max<std::size_t>(64, buffer_.size() * 2)); }

  // buffer_.size() is the capacity; size_ counts the units in use.
  std::u16string buffer_;
  char16_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace lipimattam
