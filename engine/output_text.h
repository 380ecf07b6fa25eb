// The output buffer of a conversion pass.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "engine/glyph_string.h"
#include "engine/huge_pages.h"

namespace lipimattam {

// A sequence of 16-bit units: units below 0x100 are glyph codes, units from 0x100 up are
// input characters the glyph map does not know. The stages read and rewrite only its end;
// positions are counted from the end (FromEnd(1) is the last unit).
//
// The text lives at the start of the string that Take() hands over, so the finished output is
// never copied. Past the text lies writable room; a writer may fill it through data() and then
// take it as text with SetLength. Room is zero-filled only as it is made, so memory the text
// never reaches is never touched.
class OutputText {
 public:
  OutputText() = default;
  explicit OutputText(std::u16string_view text) : buffer_(text), size_(text.size()) {}

  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] bool empty() const { return size_ == 0; }
  [[nodiscard]] std::u16string_view View() const { return {buffer_.data(), size_}; }
  [[nodiscard]] char16_t* data() { return buffer_.data(); }

  // The k-th unit from the end, k from 1 to size().
  [[nodiscard]] char16_t FromEnd(std::size_t k) const { return buffer_[size_ - k]; }

  // Takes `buffer`'s memory for an empty text. What it held becomes room, written over as the
  // text grows: memory a text already reached is not zero-filled again.
  void Reuse(std::u16string&& buffer) {
    buffer_ = std::move(buffer);
    size_ = 0;
  }

  // Sets aside memory for `units` units in all, without touching it: as long as the text and
  // its room stay within, data() does not move.
  void Reserve(std::size_t units) {
    buffer_.reserve(units + GlyphString::kCapacity);
    AdviseHugePages(buffer_.data(), buffer_.capacity() * sizeof(char16_t));
  }

  // How many units after the text are writable.
  [[nodiscard]] std::size_t Room() const { return buffer_.size() - size_; }

  // Makes at least `units` units after the text writable. May move data().
  void MakeRoom(std::size_t units) {
    if (Room() < units) Grow(units);
  }

  void Append(char16_t unit) {
    MakeRoom(1);
    buffer_[size_++] = unit;
  }

  void Append(const GlyphString& glyphs) {
    // All four units are stored and only the string's length counts: no loop on the hot path.
    MakeRoom(GlyphString::kCapacity);
    StorePacked(buffer_.data() + size_, glyphs.Packed());
    size_ += glyphs.size();
  }

  // Removes the last n units; n never exceeds size().
  void RemoveLast(std::size_t n) { size_ -= n; }

  // Keeps the first n units; n never exceeds size().
  void Truncate(std::size_t n) { size_ = n; }

  // Takes the first n units of text and room as the text, for a writer that filled the room
  // through data(); n never exceeds what MakeRoom made.
  void SetLength(std::size_t n) { size_ = n; }

  // Hands the text over; the buffer is left empty.
  [[nodiscard]] std::u16string Take() && {
    buffer_.resize(size_);
    size_ = 0;
    return std::move(buffer_);
  }

 private:
  // Room is made in steps of at least this many units, so that a text built unit by unit is
  // not resized at every unit.
  static constexpr std::size_t kRoomStep = 4096;

  // Kept out of line, so the hot path holds the buffer's fields in registers.
  [[gnu::noinline]] void Grow(std::size_t units) {
    buffer_.resize(size_ + std::max(units, kRoomStep));
  }

  std::u16string buffer_;  // the text, then the room; its length is where the room ends
  std::size_t size_ = 0;
};

}  // namespace lipimattam
