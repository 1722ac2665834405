// The encode pipeline by stage, at a small, a one-region and the largest size:
// text -> placed grid, rasterising, PNG writing, and the whole entry call.
// The whole pipeline at 144x144 should cost at most 1.10 x the PNG write of
// the same raster, and the placed grid at 144x144 well under 100 us.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "classic/encode_job.h"
#include "classic/png_writer.h"
#include "classic/rasterizer.h"

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

// An encoder holding the placed symbol and its allocated raster, as the
// pipeline has them just before rasterising.
DmEncoder* preparedEncoder(int size) {
  DmEncoder* encoder = dmCreateEncoder(size);
  dmBuildSymbol(&encoder->symbol, reinterpret_cast<const uint8_t*>(kText), sizeof kText - 1);
  const uint32_t side = static_cast<uint32_t>(5 * size + 20);
  encoder->image = {side, side, static_cast<uint8_t*>(std::malloc(size_t{side} * side * 3))};
  return encoder;
}

void releaseEncoder(DmEncoder* encoder) {
  dmFreeSymbol(&encoder->symbol);
  dmDestroyEncoder(&encoder);
}

void BM_PlacedGrid(benchmark::State& state) {
  requestedSize = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    DmSymbol symbol{};
    dmBuildSymbol(&symbol, reinterpret_cast<const uint8_t*>(kText), sizeof kText - 1);
    benchmark::DoNotOptimize(symbol.moduleGrid);
    dmFreeSymbol(&symbol);
  }
}

// A null path makes the writer return at once, leaving the painting alone.
void BM_Rasterize(benchmark::State& state) {
  DmEncoder* encoder = preparedEncoder(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(dmRenderImage(*encoder, nullptr));
    benchmark::ClobberMemory();
  }
  releaseEncoder(encoder);
}

void BM_SavePng(benchmark::State& state) {
  DmEncoder* encoder = preparedEncoder(static_cast<int>(state.range(0)));
  dmRenderImage(*encoder, nullptr);
  const std::string path = outputDir().file();
  for (auto _ : state) {
    if (!dmSavePng(path.c_str(), encoder->image)) state.SkipWithError("save failed");
  }
  releaseEncoder(encoder);
}

void BM_Pipeline(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const std::string path = outputDir().file();
  for (auto _ : state) {
    if (dmEncodeToFile(size, kText, path.c_str()) != 0) state.SkipWithError("save failed");
  }
}

// The whole pipeline against the PNG write of the same raster, timed in turns
// so that both see the same load on the machine; the target is ratio <= 1.10.
void BM_PipelineOverSave(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  DmEncoder* encoder = preparedEncoder(size);
  dmRenderImage(*encoder, nullptr);
  const std::string path = outputDir().file();
  using Clock = std::chrono::steady_clock;
  Clock::duration saveTime{};
  Clock::duration pipelineTime{};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    dmSavePng(path.c_str(), encoder->image);
    const Clock::time_point saved = Clock::now();
    dmEncodeToFile(size, kText, path.c_str());
    pipelineTime += Clock::now() - saved;
    saveTime += saved - start;
  }
  state.counters["ratio"] = std::chrono::duration<double>(pipelineTime) / std::chrono::duration<double>(saveTime);
  releaseEncoder(encoder);
}

#define DEXMORA_SIZES Arg(10)->Arg(26)->Arg(144)
BENCHMARK(BM_PlacedGrid)->DEXMORA_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rasterize)->DEXMORA_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SavePng)->DEXMORA_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pipeline)->DEXMORA_SIZES->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PipelineOverSave)->Arg(144)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
