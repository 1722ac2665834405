#include <benchmark/benchmark.h>

#include <string>

#include "core/encodation.h"

using namespace dexmora;

namespace {

// Minimal encodation over every size, as encode() asks for it.
void minimal(benchmark::State& state, const std::string& text) {
  int sizes[SIZE_COUNT];
  for (int i = 0; i < SIZE_COUNT; ++i) sizes[i] = i;
  DataOptions options;
  options.encodation = Encodation::Minimal;
  for (auto _ : state) {
    Expected<DataStream> data =
        encodeData(reinterpret_cast<const uint8_t*>(text.data()), text.size(), options, sizes, SIZE_COUNT);
    benchmark::DoNotOptimize(data);
  }
}

std::string mixed() {
  std::string text;
  while (text.size() < 1200) text += "Lot 12345678 ABC*DEF>GH \xE9t\xE9, qty=42; ";
  return text;
}

}  // namespace

BENCHMARK_CAPTURE(minimal, digits_3116, std::string(3116, '7'))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(minimal, letters_1558, std::string(1558, 'Q'))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(minimal, high_bytes_1558, std::string(1558, '\xE9'))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(minimal, mixed_1200, mixed())->Unit(benchmark::kMicrosecond);
