// Which fonts documents hold ML-TT text in.
#include "documents/legacy_fonts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace lipimattam {
namespace {

TEST(LegacyFonts, NamesMatchWhateverTheirCaseSpacesAndHyphens) {
  const struct {
    const char* name = nullptr;
    std::optional<FontEncoding> encoding;
  } cases[] = {
      {"ML-TTRevathi", FontEncoding::kMlTt},
      {"ml-ttrevathi", FontEncoding::kMlTt},
      {"ML TT Revathi", FontEncoding::kMlTt},
      {"MLTTREVATHI", FontEncoding::kMlTt},
      {"ML-Revathi", FontEncoding::kMlTtMac},       // the Mac version
      {"ML-TTSurya-Normal", FontEncoding::kOther},  // no rule of prefixes
      {"ML-TTRevath", std::nullopt},
      {"Arial", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(LegacyFontEncoding(c.name), c.encoding) << c.name;
  EXPECT_TRUE(SameFontName("AnjaliOldLipi", "anjali old-lipi"));
  EXPECT_FALSE(SameFontName("ML-TTRevathi", "ML-TTKarthika"));
}

// The table holds what the measured list of legacy fonts says, where that list is at hand.
TEST(LegacyFonts, TheTableHoldsTheMeasuredList) {
  std::ifstream list(LIPIMATTAM_LEGACY_FONT_LIST);
  if (!list) GTEST_SKIP() << "no " << LIPIMATTAM_LEGACY_FONT_LIST;
  const std::map<std::string, FontEncoding> encodings = {{"ml-tt", FontEncoding::kMlTt},
                                                         {"ml-tt-mac", FontEncoding::kMlTtMac},
                                                         {"other", FontEncoding::kOther},
                                                         {"unknown", FontEncoding::kUnknown}};
  std::size_t fonts = 0;
  for (std::string line; std::getline(list, line);) {
    if (line.empty() || line[0] == '#' || line.rfind("font\t", 0) == 0) continue;
    std::istringstream fields(line);
    std::string name;
    std::string encoding;
    std::getline(fields, name, '\t');
    std::getline(fields, encoding, '\t');
    ASSERT_TRUE(encodings.contains(encoding)) << line;
    EXPECT_EQ(LegacyFontEncoding(name), encodings.at(encoding)) << name;
    ++fonts;
  }
  EXPECT_EQ(fonts, 170u);
}

}  // namespace
}  // namespace lipimattam
