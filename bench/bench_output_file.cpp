// The cost of the durability sync when a single write replaces a file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <dexmora/output_file.h>

namespace {

const std::string kContent(1024, 'x');

struct BenchDirectory {
  std::string dir;
  BenchDirectory() {
    char name[] = "/tmp/dexmora-bench-XXXXXX";
    dir = mkdtemp(name);
  }
  ~BenchDirectory() { std::filesystem::remove_all(dir); }
};

void writeOnce(benchmark::State& state, const std::string& path, dexmora::SyncPolicy sync) {
  dexmora::OutputFileOptions options;
  options.sync = sync;
  const auto written = dexmora::writeFile(path, kContent, options);
  if (!written) state.SkipWithError(written.error().message().c_str());
}

void BM_NewFile(benchmark::State& state) {
  BenchDirectory scratch;
  const std::string path = scratch.dir + "/new";
  for (auto _ : state) {
    writeOnce(state, path, dexmora::SyncPolicy::WhenReplacing);
    state.PauseTiming();
    unlink(path.c_str());
    state.ResumeTiming();
  }
}

void BM_Replace(benchmark::State& state, dexmora::SyncPolicy sync) {
  BenchDirectory scratch;
  const std::string path = scratch.dir + "/old";
  writeOnce(state, path, sync);
  for (auto _ : state) writeOnce(state, path, sync);
}

}  // namespace

BENCHMARK(BM_NewFile);
BENCHMARK_CAPTURE(BM_Replace, with_sync, dexmora::SyncPolicy::WhenReplacing);
BENCHMARK_CAPTURE(BM_Replace, without_sync, dexmora::SyncPolicy::Never);
BENCHMARK_MAIN();
