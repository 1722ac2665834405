#include <benchmark/benchmark.h>

#include <string>

#include <dexmora/encode.h>
#include <dexmora/render.h>

namespace {

dexmora::Symbol symbolOfSide(int side) {
  dexmora::EncodeOptions options;
  options.setSize(side, side);
  return dexmora::encode(std::string(side == 144 ? 2000 : 4, '7'), options).value();
}

void renderFormat(benchmark::State& state, dexmora::OutputFormat format) {
  const dexmora::Symbol symbol = symbolOfSide(static_cast<int>(state.range(0)));
  dexmora::RenderSettings settings;
  settings.setModulePixels(4);
  size_t bytes = 0;
  for (auto _ : state) {
    const dexmora::Expected<dexmora::Rendering> out = dexmora::render(symbol, format, settings);
    bytes = out->bytes.size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_Png(benchmark::State& state) { renderFormat(state, dexmora::OutputFormat::Png); }
void BM_Svg(benchmark::State& state) { renderFormat(state, dexmora::OutputFormat::Svg); }
void BM_Pdf(benchmark::State& state) { renderFormat(state, dexmora::OutputFormat::Pdf); }
void BM_Eps(benchmark::State& state) { renderFormat(state, dexmora::OutputFormat::Eps); }
void BM_Txt(benchmark::State& state) { renderFormat(state, dexmora::OutputFormat::Txt); }

// What one label costs a print shop: `dexmora-cli -s 144 -o x.pdf HelloWorld12`,
// bytes per symbol (the target is 64 KiB).
void BM_PdfHelloWorld12(benchmark::State& state) {
  dexmora::EncodeOptions options;
  options.setSize(144, 144);
  const dexmora::Symbol symbol = dexmora::encode("HelloWorld12", options).value();
  size_t bytes = 0;
  for (auto _ : state) {
    const dexmora::Expected<dexmora::Rendering> out =
        dexmora::render(symbol, dexmora::OutputFormat::Pdf, dexmora::RenderSettings{});
    bytes = out->bytes.size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK(BM_Png)->Arg(10)->Arg(144);
BENCHMARK(BM_Svg)->Arg(10)->Arg(144);
BENCHMARK(BM_Pdf)->Arg(10)->Arg(144);
BENCHMARK(BM_Eps)->Arg(10)->Arg(144);
BENCHMARK(BM_Txt)->Arg(10)->Arg(144);
BENCHMARK(BM_PdfHelloWorld12)->Unit(benchmark::kMicrosecond);

}  // namespace
