// Converting Unicode Malayalam text into the 8-bit encoding of the font "ML-TTRevathi".
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace lipimattam {

// The hook through which a pass hands control to its caller three times per code unit, in
// this order: UnitStarting before the unit is read, UnitPlaced with the output so far once
// the unit is placed (before the tail repair), UnitFinished when the unit is done. No call
// follows the final fix-ups.
class ConvertProgress {
 public:
  ConvertProgress() = default;
  ConvertProgress(const ConvertProgress&) = delete;
  ConvertProgress& operator=(const ConvertProgress&) = delete;
  virtual ~ConvertProgress() = default;

  virtual void UnitStarting() {}
  virtual void UnitPlaced(std::u16string_view output_so_far) { (void)output_so_far; }
  virtual void UnitFinished() {}
};

// Converts the whole input in one pass and returns the text in the font's encoding: units
// below 0x100 are glyph codes, units from 0x100 up are input characters the font has no
// glyph for, copied unchanged. Never fails; the empty input gives the empty output.
[[nodiscard]] std::u16string ConvertText(std::u16string_view input);

// The same, written into `output`, whose text is replaced and whose memory is kept (the old
// text is written over, not cleared first): for a caller that converts piece after piece and
// would otherwise take fresh memory for each.
void ConvertText(std::u16string_view input, std::u16string& output);

// The same pass over an input given in pieces, for a reader that decodes its text piece by
// piece and need not hold all of it: the pieces, added in order, give what ConvertText gives
// for them joined. The output is built where Finish hands it over, never copied.
class TextConverter {
 public:
  // Sets memory aside (untouched) for the output of about `expected_units` input units.
  explicit TextConverter(std::size_t expected_units = 0);
  TextConverter(const TextConverter&) = delete;
  TextConverter& operator=(const TextConverter&) = delete;
  TextConverter(TextConverter&&) noexcept;
  TextConverter& operator=(TextConverter&&) noexcept;
  ~TextConverter();

  void Add(std::u16string_view piece);

  // The final fix-ups, then the output.
  [[nodiscard]] std::u16string Finish() &&;

 private:
  friend std::u16string ConvertText(std::u16string_view input, ConvertProgress& progress);
  friend void ConvertText(std::u16string_view input, std::u16string& output);
  struct Pass;  // the output so far and what it ends in
  std::unique_ptr<Pass> pass_;
};

// The same pass, calling the hook for every code unit. The input is copied first, so the
// caller may change its own text while the hook runs.
[[nodiscard]] std::u16string ConvertText(std::u16string_view input, ConvertProgress& progress);

}  // namespace lipimattam
