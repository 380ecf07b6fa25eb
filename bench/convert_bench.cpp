// Throughput of the conversion pass, without a hook, with a hook that does nothing, and through
// the stages alone.
#include <benchmark/benchmark.h>

#include <iconv.h>

#include <cstring>
#include <string>

#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>

#include "bench/malayalam_text.h"
#include "cli/text_codec.h"
#include "oracles/reference_pass.h"

namespace {

constexpr std::size_t kOneMegabyte = 1 << 20;

const std::u16string& TextOfBytes(std::size_t bytes) {
  static std::u16string small = lipimattam::GenerateMalayalamText(kOneMegabyte / 2);
  static std::u16string large;
  if (bytes == kOneMegabyte) return small;
  if (large.empty()) large = lipimattam::GenerateMalayalamText(32 * kOneMegabyte / 2);
  return large;
}

void Report(benchmark::State& state, const std::u16string& text) {
  const auto units = static_cast<std::int64_t>(text.size());
  state.SetItemsProcessed(state.iterations() * units);
  state.SetBytesProcessed(state.iterations() * units * 2);
}

void ConvertWithoutHook(benchmark::State& state) {
  const std::u16string& text = TextOfBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(lipimattam::ConvertText(text));
  Report(state, text);
}

// The same into one output string kept from call to call, as the filter converts piece after
// piece and as the copy and iconv below write: no fresh memory for the kernel to clear.
void ConvertIntoKeptOutput(benchmark::State& state) {
  const std::u16string& text = TextOfBytes(static_cast<std::size_t>(state.range(0)));
  std::u16string output;
  for (auto _ : state) {
    lipimattam::ConvertText(text, output);
    benchmark::DoNotOptimize(output.data());
    benchmark::ClobberMemory();
  }
  Report(state, text);
}

void ConvertWithNoOpHook(benchmark::State& state) {
  const std::u16string& text = TextOfBytes(static_cast<std::size_t>(state.range(0)));
  lipimattam::ConvertProgress no_op;
  for (auto _ : state) benchmark::DoNotOptimize(lipimattam::ConvertText(text, no_op));
  Report(state, text);
}

// The same text through the stages one unit at a time, without the rows the pass derives from
// them: what the rows gain.
void ConvertStageByStage(benchmark::State& state) {
  const std::u16string& text = TextOfBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(lipimattam::testing::ConvertStageByStage(text));
  Report(state, text);
}

// Reading the glyph codes of the generated text back into Unicode.
void ConvertBackToUnicode(benchmark::State& state) {
  const std::u16string glyphs =
      lipimattam::ConvertText(TextOfBytes(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(lipimattam::ConvertToUnicode(glyphs));
  Report(state, glyphs);
}

// What the machine does with the same text without converting it, for scale: copying its
// UTF-16 units, and glibc's iconv decoding its UTF-8 into UTF-16.
void CopyWithMemcpy(benchmark::State& state) {
  const std::u16string& text = TextOfBytes(static_cast<std::size_t>(state.range(0)));
  std::u16string copy(text.size(), u'\0');
  for (auto _ : state) {
    std::memcpy(copy.data(), text.data(), text.size() * sizeof(char16_t));
    benchmark::ClobberMemory();
  }
  Report(state, text);
}

void DecodeWithIconv(benchmark::State& state) {
  const std::u16string& text = TextOfBytes(static_cast<std::size_t>(state.range(0)));
  std::string utf8 = lipimattam::EncodeUnitsAsUtf8(text).bytes;
  std::u16string decoded(text.size(), u'\0');
  iconv_t to_utf16 = ::iconv_open("UTF-16LE", "UTF-8");
  for (auto _ : state) {
    char* in = utf8.data();
    std::size_t in_left = utf8.size();
    char* out = reinterpret_cast<char*>(decoded.data());  // NOLINT: iconv takes bytes
    std::size_t out_left = decoded.size() * sizeof(char16_t);
    ::iconv(to_utf16, &in, &in_left, &out, &out_left);
    benchmark::ClobberMemory();
  }
  ::iconv_close(to_utf16);
  Report(state, text);
}

// Sizes are of the UTF-16 text: 1 MB and 32 MB.
BENCHMARK(ConvertWithoutHook)
    ->Arg(kOneMegabyte)
    ->Arg(32 * kOneMegabyte)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ConvertIntoKeptOutput)
    ->Arg(kOneMegabyte)
    ->Arg(32 * kOneMegabyte)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ConvertStageByStage)->Arg(kOneMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(ConvertBackToUnicode)
    ->Arg(kOneMegabyte)
    ->Arg(32 * kOneMegabyte)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(CopyWithMemcpy)->Arg(kOneMegabyte)->Arg(32 * kOneMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeWithIconv)
    ->Arg(kOneMegabyte)
    ->Arg(32 * kOneMegabyte)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ConvertWithNoOpHook)
    ->Arg(kOneMegabyte)
    ->Arg(32 * kOneMegabyte)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
