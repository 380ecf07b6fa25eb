// Writes generated text as UTF-8, for measuring the filter end to end:
//   lipimattam-make-text MEGABYTES [mixed] > text.txt
// Malayalam prose, or with `mixed` English with a Malayalam phrase in every sentence, 80 % of
// the bytes ASCII.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "bench/malayalam_text.h"
#include "cli/text_codec.h"

int main(int argc, char** argv) {
  const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
  const bool mixed = argc > 2 && std::string_view(argv[2]) == "mixed";
  if (megabytes <= 0 || (argc > 2 && !mixed)) {
    std::fputs("usage: lipimattam-make-text MEGABYTES [mixed] > FILE\n", stderr);
    return 64;
  }
  const std::size_t bytes = static_cast<std::size_t>(megabytes) << 20;
  // Malayalam letters take three bytes in UTF-8; a little more than needed is cut at the end.
  const std::u16string text =
      lipimattam::GenerateMalayalamText((mixed ? bytes / 10 : bytes / 2) + 64);
  std::string utf8 = lipimattam::EncodeUnitsAsUtf8(text).bytes;
  if (mixed) {
    // 160 bytes of English around each 40 bytes of Malayalam, cut where a character starts.
    constexpr std::string_view kEnglish =
        "The council met on Tuesday in Thrissur and agreed the new budget for schools, roads "
        "and the harbour; the vote was 31 to 9, with two members away (see page 4). ";
    std::string joined;
    joined.reserve(bytes + kEnglish.size() + 64);
    for (std::size_t at = 0; joined.size() < bytes && at < utf8.size();) {
      std::size_t end = std::min(utf8.size(), at + 40);
      while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0u) == 0x80u) ++end;
      joined.append(kEnglish).append(utf8, at, end - at).append(" ");
      at = end;
    }
    utf8 = std::move(joined);
  }
  while (utf8.size() > bytes) utf8.pop_back();
  // Never end inside a character.
  while (!utf8.empty() && (static_cast<unsigned char>(utf8.back()) & 0xC0u) == 0x80u)
    utf8.pop_back();
  if (!utf8.empty() && static_cast<unsigned char>(utf8.back()) >= 0xC0u) utf8.pop_back();
  return std::fwrite(utf8.data(), 1, utf8.size(), stdout) == utf8.size() ? 0 : 74;
}
