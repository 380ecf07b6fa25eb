// Converts one generated worst-case input; the linear-work test counts the instructions that
// ConvertText takes for it under callgrind.
//   linear_work_driver PATTERN UNITS
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <lipimattam/convert.h>

namespace {

struct Pattern {
  const char* name;
  std::u16string_view unit_cycle;
};

constexpr Pattern kPatterns[] = {
    {"viramas", u"\u0D4D"},
    {"pre-base-signs", u"\u0D46"},
    {"two-part-signs", u"\u0D4A"},
    {"brace-and-s", u"{s"},
    {"brace-and-ss", u"{ss"},
    {"sa-virama-rra-ligature", u"kv\u00E4"},
    {"conjunct-pairs", u"\u0D15\u0D4D"},
    {"chillu-then-rra", u"\u0D28\u0D4D\u200D\u0D4D\u0D31"},
    {"tail-repairs", u"ts\u0D4D\u0D2F"},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: linear_work_driver PATTERN UNITS\n", stderr);
    return 64;
  }
  const std::size_t units = std::strtoul(argv[2], nullptr, 10);
  for (const Pattern& pattern : kPatterns) {
    if (std::strcmp(pattern.name, argv[1]) != 0) continue;
    std::u16string input;
    while (input.size() < units) input += pattern.unit_cycle;
    input.resize(units);
    const std::u16string output = lipimattam::ConvertText(input);
    std::printf("%zu units in, %zu out\n", input.size(), output.size());
    return 0;
  }
  std::fprintf(stderr, "unknown pattern %s\n", argv[1]);
  return 64;
}
