// Writes generated Malayalam text as UTF-8, for measuring the filter end to end:
//   lipimattam-make-text MEGABYTES > text.txt
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/malayalam_text.h"
#include "cli/text_codec.h"

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
  if (megabytes <= 0) {
    std::fputs("usage: lipimattam-make-text MEGABYTES > FILE\n", stderr);
    return 64;
  }
  // Malayalam letters take three bytes in UTF-8; a little more than needed is cut at the end.
  const std::size_t bytes = static_cast<std::size_t>(megabytes) << 20;
  const std::u16string text = lipimattam::GenerateMalayalamText(bytes / 2 + 64);
  std::string utf8 = lipimattam::EncodeUnitsAsUtf8(text).bytes;
  while (utf8.size() > bytes) utf8.pop_back();
  // Never end inside a character.
  while (!utf8.empty() && (static_cast<unsigned char>(utf8.back()) & 0xC0u) == 0x80u)
    utf8.pop_back();
  if (!utf8.empty() && static_cast<unsigned char>(utf8.back()) >= 0xC0u) utf8.pop_back();
  return std::fwrite(utf8.data(), 1, utf8.size(), stdout) == utf8.size() ? 0 : 74;
}
