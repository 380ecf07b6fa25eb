#include "cli/progress_bar.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/test_text.h"

namespace lipimattam {
namespace {

struct BarCase {
  const char* what;
  ProgressFigures figures;
  std::size_t width;
  std::string line;
};

void PrintTo(const BarCase& c, std::ostream* os) {
  *os << c.what;
}

class ProgressLineShows : public ::testing::TestWithParam<BarCase> {};

TEST_P(ProgressLineShows, TheFiguresInOneLine) {
  EXPECT_EQ(ProgressLine(GetParam().figures, GetParam().width), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Figures, ProgressLineShows,
    ::testing::Values(
        BarCase{"the start",
                {0, 10, 0, 40'000, 0.0},
                100,
                "  0% [....................] 0/10 files  0.0/40.0 kB"},
        BarCase{"no rate in the first half second",
                {1, 10, 4'000, 40'000, 0.4},
                100,
                " 10% [##..................] 1/10 files  4.0/40.0 kB"},
        BarCase{"the rate and the time left",
                {5, 10, 20'000'000, 40'000'000, 2.0},
                100,
                " 50% [##########..........] 5/10 files  20.0/40.0 MB  10.0 MB/s  0:02 left"},
        BarCase{"hours left",
                {0, 2, 1'000'000, 4'000'000'000, 1.0},
                100,
                "  0% [....................] 0/2 files  1.0/4000.0 MB  1.0 MB/s  1:06:39 left"},
        BarCase{"done: no time left",
                {3, 3, 9'000, 9'000, 1.0},
                100,
                "100% [####################] 3/3 files  9.0/9.0 kB  9.0 kB/s"},
        BarCase{"empty files count by files",
                {1, 4, 0, 0, 1.0},
                100,
                " 25% [#####...............] 1/4 files  0/0 bytes"},
        BarCase{"small files count in bytes",
                {1, 2, 3, 700, 1.0},
                100,
                "  0% [....................] 1/2 files  3/700 bytes  3 bytes/s  3:52 left"},
        BarCase{"cut to a narrow terminal",
                {5, 10, 20'000'000, 40'000'000, 2.0},
                30,
                " 50% [##########..........] 5"}),
    lipimattam::testing::NameFromWhat());

}  // namespace
}  // namespace lipimattam
