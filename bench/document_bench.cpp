// Converting whole Word documents: a generated DOCX of so many pages, Malayalam in the ML-TT
// font in runs of changing format with English among them, converted to Unicode and back,
// container included. The fitted complexity shows whether the time grows linearly.
#include <benchmark/benchmark.h>

#include <map>
#include <random>
#include <string>

#include <lipimattam/convert.h>

#include "bench/malayalam_text.h"
#include "documents/document_file.h"
#include "documents/text_units.h"
#include "documents/xml_scanner.h"
#include "tests/document_parts.h"

namespace {

constexpr int kParagraphsPerPage = 12;
constexpr std::size_t kUnitsPerParagraph = 220;  // about 40 words: a page of 480 words

// A Word document of `pages` pages in the ML-TT encoding.
std::string MlTtDocument(int pages) {
  const std::u16string text = lipimattam::GenerateMalayalamText(
      static_cast<std::size_t>(pages) * kParagraphsPerPage * kUnitsPerParagraph);
  std::mt19937 random(7);
  const char* formats[] = {"", "<w:b/>", "<w:i/>", R"(<w:sz w:val="28"/>)"};
  std::string body;
  std::size_t at = 0;
  for (int paragraph = 0; at < text.size(); ++paragraph) {
    const std::u16string line = text.substr(at, kUnitsPerParagraph);
    at += kUnitsPerParagraph;
    const std::string codes = lipimattam::ToUtf8(lipimattam::ConvertText(line));
    body += paragraph % 10 == 0 ? R"(<w:p><w:pPr><w:pStyle w:val="Heading1"/></w:pPr>)" : "<w:p>";
    for (std::size_t from = 0; from < codes.size();) {
      std::size_t length = 5 + random() % 40;
      while (from + length < codes.size() && (codes[from + length] & 0xC0) == 0x80) ++length;
      const std::string font = random() % 5 == 0 ? "Times New Roman" : "ML-TTRevathi";
      body += R"(<w:r><w:rPr><w:rFonts w:ascii=")" + font + R"(" w:hAnsi=")" + font + R"("/>)" +
              formats[random() % 4] + R"(</w:rPr><w:t xml:space="preserve">)" +
              lipimattam::XmlEscape(codes.substr(from, length)) + "</w:t></w:r>";
      from += length;
    }
    body += "</w:p>";
  }
  const std::string styles =
      R"(<w:style w:type="paragraph" w:styleId="Heading1"><w:rPr><w:rFonts w:ascii="ML-TTRevathi" )"
      R"(w:hAnsi="ML-TTRevathi"/><w:b/><w:sz w:val="36"/></w:rPr></w:style>)";
  return lipimattam::testing::DocumentFile(lipimattam::testing::Docx(body, styles));
}

// Pages per second, and the pages as the benchmark's N for the fitted complexity.
void CountPages(benchmark::State& state) {
  state.SetComplexityN(state.range(0));
  state.counters["pages/s"] = benchmark::Counter(static_cast<double>(state.range(0)),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

const std::string& Document(int pages) {
  static std::map<int, std::string> documents;
  auto& document = documents[pages];
  if (document.empty()) document = MlTtDocument(pages);
  return document;
}

void DocxToUnicode(benchmark::State& state) {
  const std::string& document = Document(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto converted = lipimattam::ConvertDocumentFile(document, {});
    if (converted.error) state.SkipWithError(converted.error->message.c_str());
    benchmark::DoNotOptimize(converted);
  }
  CountPages(state);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(document.size()));
}

void DocxToMlTt(benchmark::State& state) {
  static std::map<int, std::string> unicode;
  const int pages = static_cast<int>(state.range(0));
  if (unicode[pages].empty())
    unicode[pages] = lipimattam::ConvertDocumentFile(Document(pages), {}).bytes;
  lipimattam::DocumentOptions options;
  options.direction = lipimattam::DocumentDirection::kToMlTt;
  for (auto _ : state) {
    auto converted = lipimattam::ConvertDocumentFile(unicode[pages], options);
    if (converted.error) state.SkipWithError(converted.error->message.c_str());
    benchmark::DoNotOptimize(converted);
  }
  CountPages(state);
}

// 30 pages to 1000, fitted to a line.
void Pages(benchmark::internal::Benchmark* run) {
  for (const int pages : {30, 100, 300, 1000}) run->Arg(pages);
  run->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
}

BENCHMARK(DocxToUnicode)->Apply(Pages);
BENCHMARK(DocxToMlTt)->Apply(Pages);

}  // namespace

BENCHMARK_MAIN();
