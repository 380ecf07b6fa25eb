// Throughput of the conversion pass, without a hook, with a hook that does nothing, and through
// the stages alone.
#include <benchmark/benchmark.h>

#include <string>

#include <lipimattam/convert.h>
#include <lipimattam/to_unicode.h>

#include "bench/malayalam_text.h"
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
  static const std::u16string glyphs =
      lipimattam::ConvertText(TextOfBytes(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(lipimattam::ConvertToUnicode(glyphs));
  Report(state, glyphs);
}

// Sizes are of the UTF-16 text: 1 MB and 32 MB.
BENCHMARK(ConvertWithoutHook)
    ->Arg(kOneMegabyte)
    ->Arg(32 * kOneMegabyte)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ConvertStageByStage)->Arg(kOneMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(ConvertBackToUnicode)->Arg(kOneMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(ConvertWithNoOpHook)
    ->Arg(kOneMegabyte)
    ->Arg(32 * kOneMegabyte)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
