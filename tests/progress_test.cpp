#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <lipimattam/convert.h>

#include "tests/test_text.h"

namespace lipimattam {
namespace {

using namespace lipimattam::testing;  // NOLINT(google-build-using-namespace): letter names

// Records every call as one letter (S, P, F) and every text given to UnitPlaced.
class RecordingProgress : public ConvertProgress {
 public:
  void UnitStarting() override { calls += 'S'; }
  void UnitPlaced(std::u16string_view output_so_far) override {
    calls += 'P';
    placed.emplace_back(output_so_far);
  }
  void UnitFinished() override { calls += 'F'; }

  std::string calls;
  std::vector<std::u16string> placed;
};

TEST(ConvertProgress, EmptyInputCallsNothing) {
  RecordingProgress progress;
  EXPECT_EQ(ConvertText(u"", progress), u"");
  EXPECT_EQ(progress.calls, "");
}

TEST(ConvertProgress, ThreeCallsPerCodeUnitInOrder) {
  const std::u16string input = Units({kKa, kVirama, kKa, u'x', kEmojiHigh, kEmojiLow, 0xFFFF});
  RecordingProgress progress;
  (void)ConvertText(input, progress);
  std::string expected;
  for (std::size_t i = 0; i < input.size(); ++i) expected += "SPF";
  EXPECT_EQ(progress.calls, expected);
}

TEST(ConvertProgress, UnitPlacedSeesTheTextBeforeTailRepairAndFixups) {
  struct Case {
    std::u16string input;
    std::vector<std::u16string> placed;
    std::u16string output;
  };
  const Case cases[] = {
      // The YA sign and the EE sign: placed as "Ity", repaired to "tIy" afterwards.
      {Units({kKa, kVirama, kYa, kSignEe}), {u"I", u"Iv", u"Iy", u"Ity"}, u"tIy"},
      // The RA sign: placed as "{sI", the final fix-up gives "s{I".
      {Units({kKa, kVirama, kRa, kSignE}), {u"I", u"Iv", u"{I", u"{sI"}, u"s{I"},
      // Conjunct: the second KA takes the two codes back off the output.
      {Units({kKa, kVirama, kKa}), {u"I", u"Iv", u"\u00A1"}, u"\u00A1"},
      // A two-part sign is placed half by half, the tail repair after each, and the hook sees
      // the unit once: the first E sign is already in front of KA, the second not yet.
      {Units({kKa, kVirama, kYa, kSignAi}), {u"I", u"Iv", u"Iy", u"sIsy"}, u"ssIy"},
      // Passed-through text is repaired after the progress point too.
      {u"city", {u"c", u"ci", u"cit", u"city"}, u"ctiy"},
  };
  for (const Case& c : cases) {
    RecordingProgress progress;
    EXPECT_EQ(ConvertText(c.input, progress), c.output) << Hex(c.input);
    EXPECT_EQ(progress.placed, c.placed) << Hex(c.input);
  }
}

// A window lets the user edit the input while the pass yields; the pass works on its copy.
TEST(ConvertProgress, EditingTheCallersTextDuringAPassChangesNothing) {
  std::u16string text = Units({kKa, kSignO, u' ', kNa, kVirama, kZwj, u' ', kKa, kSignE});
  const std::u16string expected = ConvertText(text);

  class EditingProgress : public ConvertProgress {
   public:
    explicit EditingProgress(std::u16string& text) : text_(text) {}
    void UnitPlaced(std::u16string_view) override {
      text_.assign(1000, u'x');
      text_.clear();
    }

   private:
    std::u16string& text_;
  } progress(text);

  EXPECT_EQ(ConvertText(text, progress), expected);
}

TEST(ConvertProgress, WithAndWithoutHookGiveTheSameText) {
  std::u16string text;
  for (char16_t unit = 0x0D00; unit < 0x0D80; ++unit) {
    text += unit;
    text += kVirama;
    text += kRa;
    text += kSignAi;
    text += u' ';
  }
  ConvertProgress no_op;
  EXPECT_EQ(ConvertText(text, no_op), ConvertText(text));
}

}  // namespace
}  // namespace lipimattam
