// A program of someone else's, built against the installed library.
#include <lipimattam/code_pages.h>
#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>

#include <cstdio>

int main() {
  const std::u16string codes = lipimattam::ConvertText(u"\u0D15\u0D4D\u0D30\u0D48");  // ക്രൈ
  const std::u16string back = lipimattam::ConvertToUnicode(codes).text;
  std::puts(codes == u"ss{I" && back == u"\u0D15\u0D4D\u0D30\u0D48" ? "ss{I" : "wrong");
  return codes == u"ss{I" ? 0 : 1;
}
