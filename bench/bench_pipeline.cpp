// The encode pipeline by stage, at a small, a one-region and the largest size:
// text -> finished symbol, rasterising, PNG writing, the whole pipeline to a
// file, the classic entry call and the command line's default path.
// The whole pipeline at 144x144 should cost at most 1.10 x the PNG write of
// the same raster, and the finished symbol at 144x144 well under 100 us.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "classic/encode_job.h"
#include <dexmora/encode.h>
#include <dexmora/output_file.h>
#include "render/png.h"
#include "render/raster.h"

namespace {

const char kText[] = "123456";

// Output directory for the run, removed when the program ends.
class OutputDir {
 public:
  OutputDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dexmora-bench-XXXXXX").string();
    if (mkdtemp(pattern.data())) m_path = pattern;
  }
  ~OutputDir() {
    std::error_code ignored;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
  }
  std::string file() const { return m_path + "/output.png"; }

 private:
  std::string m_path;
};

OutputDir& outputDir() {
  static OutputDir dir;
  return dir;
}

dexmora::EncodeOptions squareOf(int side) {
  dexmora::EncodeOptions options;
  options.setSize(side, side);
  return options;
}

// Every write replaces the previous run's file; syncing each would time the
// disk's flush rather than our work.
bool writePng(const std::string& path, const std::string& png) {
  return dexmora::writeFile(path, png, {dexmora::SyncPolicy::Never, {}}).ok();
}

// Encode, rasterise and compress: the command line's default path up to the write.
dexmora::Expected<std::string> pngOf(const dexmora::EncodeOptions& options) {
  const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(kText, options);
  if (!symbol) return symbol.error();
  return dexmora::encodePngRgb(dexmora::rasterizeDefault(*symbol));
}

void BM_PlacedGrid(benchmark::State& state) {
  const dexmora::EncodeOptions options = squareOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode(kText, options);
    benchmark::DoNotOptimize(symbol);
  }
}

void BM_Rasterize(benchmark::State& state) {
  const dexmora::Symbol symbol = dexmora::encode(kText, squareOf(static_cast<int>(state.range(0)))).value();
  for (auto _ : state) {
    dexmora::Raster raster = dexmora::rasterizeDefault(symbol);
    benchmark::DoNotOptimize(raster.rgb.data());
  }
}

void BM_SavePng(benchmark::State& state) {
  const dexmora::Symbol symbol = dexmora::encode(kText, squareOf(static_cast<int>(state.range(0)))).value();
  const dexmora::Raster raster = dexmora::rasterizeDefault(symbol);
  const std::string path = outputDir().file();
  for (auto _ : state) {
    const dexmora::Expected<std::string> png = dexmora::encodePngRgb(raster);
    if (!png || !writePng(path, *png)) state.SkipWithError("save failed");
  }
}

void BM_Pipeline(benchmark::State& state) {
  const dexmora::EncodeOptions options = squareOf(static_cast<int>(state.range(0)));
  const std::string path = outputDir().file();
  for (auto _ : state) {
    const dexmora::Expected<std::string> png = pngOf(options);
    if (!png || !writePng(path, *png)) state.SkipWithError("save failed");
  }
}

// The dialog's entry: the classic pipeline, its file writer syncing each replace.
void BM_ClassicEncodeToFile(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const std::string path = outputDir().file();
  for (auto _ : state) {
    if (dmEncodeToFile(size, kText, path.c_str()) != 0) state.SkipWithError("save failed");
  }
}

void BM_CliDefault(benchmark::State& state) {
  const dexmora::EncodeOptions options = squareOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    dexmora::Expected<std::string> png = pngOf(options);
    if (!png) state.SkipWithError("encode failed");
    benchmark::DoNotOptimize(png);
  }
}

// The whole pipeline against the PNG write of the same raster, timed in turns
// so that both see the same load on the machine; the target is ratio <= 1.10.
void BM_PipelineOverSave(benchmark::State& state) {
  const dexmora::EncodeOptions options = squareOf(static_cast<int>(state.range(0)));
  const dexmora::Raster raster = dexmora::rasterizeDefault(dexmora::encode(kText, options).value());
  const std::string path = outputDir().file();
  using Clock = std::chrono::steady_clock;
  Clock::duration saveTime{};
  Clock::duration pipelineTime{};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    const dexmora::Expected<std::string> saved = dexmora::encodePngRgb(raster);
    if (!saved || !writePng(path, *saved)) state.SkipWithError("save failed");
    const Clock::time_point middle = Clock::now();
    const dexmora::Expected<std::string> piped = pngOf(options);
    if (!piped || !writePng(path, *piped)) state.SkipWithError("save failed");
    pipelineTime += Clock::now() - middle;
    saveTime += middle - start;
  }
  state.counters["ratio"] = std::chrono::duration<double>(pipelineTime) / std::chrono::duration<double>(saveTime);
}

#define DEXMORA_SIZES Arg(10)->Arg(26)->Arg(144)
BENCHMARK(BM_PlacedGrid)->DEXMORA_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rasterize)->DEXMORA_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SavePng)->DEXMORA_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pipeline)->DEXMORA_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClassicEncodeToFile)->DEXMORA_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CliDefault)->DEXMORA_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PipelineOverSave)->Arg(144)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
