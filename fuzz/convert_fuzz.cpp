// Fuzzes the conversion pass with raw UTF-16 code units and checks what must hold for every
// input, not just that it survives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <lipimattam/convert.h>
#include <lipimattam/cut_points.h>
#include <lipimattam/to_unicode.h>

#include "engine/glyph_map.h"
#include "engine/reading_paths.h"
#include "oracles/conversion_properties.h"
#include "oracles/reference_pass.h"

namespace {

// Checks the order and count of the hook's calls and the length of the text so far.
class CheckingProgress : public lipimattam::ConvertProgress {
 public:
  void UnitStarting() override {
    Expect(next_ == 'S');
    next_ = 'P';
  }
  void UnitPlaced(std::u16string_view output_so_far) override {
    Expect(next_ == 'P');
    ++units_;
    Expect(output_so_far.size() <= 3 * units_);
    next_ = 'F';
  }
  void UnitFinished() override {
    Expect(next_ == 'F');
    next_ = 'S';
  }
  [[nodiscard]] std::size_t Units() const { return units_; }
  [[nodiscard]] bool BetweenUnits() const { return next_ == 'S'; }

  static void Expect(bool holds) {
    if (!holds) std::abort();
  }

 private:
  char next_ = 'S';
  std::size_t units_ = 0;
};

bool MapKnows(char16_t unit) {
  const lipimattam::GlyphString glyphs = lipimattam::MapCodeUnit(unit);
  return !(glyphs.size() == 1 && glyphs[0] == unit);
}

bool IsUntouchable(char16_t unit) {
  return unit >= 0x100 && !(unit >= 0x0D00 && unit < 0x0D80) && unit != 0x200C && unit != 0x200D;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string input(size / 2, u'\0');
  if (!input.empty()) std::memcpy(input.data(), data, input.size() * 2);

  CheckingProgress progress;
  const std::u16string output = lipimattam::ConvertText(input, progress);
  CheckingProgress::Expect(progress.Units() == input.size() && progress.BetweenUnits());

  // The same input gives the same output, with a hook or without, and the same as the stages
  // one unit at a time.
  CheckingProgress::Expect(lipimattam::ConvertText(input) == output);
  CheckingProgress::Expect(lipimattam::testing::ConvertStageByStage(input) == output);
  // Added unit by unit, the fix-ups settled after each, the same.
  lipimattam::TextConverter converter;
  for (const char16_t unit : input) converter.Add(std::u16string_view(&unit, 1));
  CheckingProgress::Expect(std::move(converter).Finish() == output);

  // Equivalent spellings give the same codes, and each line converts as it would alone.
  CheckingProgress::Expect(
      lipimattam::ConvertText(lipimattam::testing::DecomposeTwoPartSigns(input)) == output);
  CheckingProgress::Expect(lipimattam::testing::ConvertLineByLine(input) == output);

  // At most three units out for every unit in.
  CheckingProgress::Expect(output.size() <= 3 * input.size());

  // Nothing is dropped: every unit of 0x100 or more that the map does not know comes out, in
  // order.
  std::size_t at = 0;
  for (const char16_t unit : input) {
    if (unit < 0x100 || MapKnows(unit)) continue;
    while (at < output.size() && output[at] != unit) ++at;
    CheckingProgress::Expect(at < output.size());
    ++at;
  }

  // Reading glyph codes back: at most five units per code, every unit from 0x100 up kept in
  // order, and the same text twice gives the same result.
  const lipimattam::ToUnicodeResult back = lipimattam::ConvertToUnicode(input);
  CheckingProgress::Expect(back.text.size() <= 5 * input.size());
  CheckingProgress::Expect(back.text == lipimattam::ConvertToUnicode(input).text);
  CheckingProgress::Expect(back.text ==
                           lipimattam::detail::ConvertToUnicodeCodeByCode(input, {}).text);
  // Written as UTF-8 into memory kept from input to input, it is the same reading, a
  // surrogate that is not half of a pair given as U+FFFD.
  static lipimattam::ToUnicodeUtf8Converter utf8_reader;
  CheckingProgress::Expect(utf8_reader.Convert(input).text ==
                           lipimattam::testing::Utf8OfReading(back.text));
  at = 0;
  for (const char16_t unit : input) {
    if (unit < 0x100) continue;
    while (at < back.text.size() && back.text[at] != unit) ++at;
    CheckingProgress::Expect(at < back.text.size());
    ++at;
  }

  // Cut at the cut points after some twenty offsets, both ways, the parts give the whole
  // (more would slow the fuzzer more than it finds).
  std::vector<std::size_t> everywhere;
  for (std::size_t i = 0; i <= input.size(); i += 1 + input.size() / 20) everywhere.push_back(i);
  const lipimattam::CutConversion cut = lipimattam::ConvertTextWithCuts(input, everywhere);
  CheckingProgress::Expect(cut.text == output);
  for (const lipimattam::CutPoint& point : cut.cuts)
    CheckingProgress::Expect(lipimattam::IsCutPoint(input, point.input) &&
                             point.output <= output.size());
  const lipimattam::CutReading cut_back = lipimattam::ConvertToUnicodeWithCuts(input, everywhere);
  CheckingProgress::Expect(cut_back.result.text == back.text &&
                           cut_back.result.unknown_codes == back.unknown_codes);

  // Text that holds nothing the rules look at comes out unchanged.
  bool untouchable = true;
  for (const char16_t unit : input) untouchable = untouchable && IsUntouchable(unit);
  if (untouchable) CheckingProgress::Expect(output == input);
  return 0;
}
