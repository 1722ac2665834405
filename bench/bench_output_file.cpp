// The cost of the durability sync when a single write replaces a file, and
// many new files through one directory handle beside the system's floor: a
// plain loop of O_TMPFILE, write, linkat and close.
#include <benchmark/benchmark.h>
#include <fcntl.h>
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

// The batch's path: a new name costs the temporary, the write and one link.
void BM_DirectoryNewFiles(benchmark::State& state) {
  BenchDirectory scratch;
  const auto directory = dexmora::OutputDirectory::open(scratch.dir);
  dexmora::OutputFileOptions options;
  options.sync = dexmora::SyncPolicy::Never;
  int n = 0;
  for (auto _ : state) {
    const auto written = dexmora::writeFile(*directory, std::to_string(++n) + ".png", kContent, options);
    if (!written) state.SkipWithError(written.error().message().c_str());
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_FloorTmpfileLink(benchmark::State& state) {
  BenchDirectory scratch;
  const int dir = open(scratch.dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  int n = 0;
  for (auto _ : state) {
    const int fd = openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    const bool ok = fd >= 0 && write(fd, kContent.data(), kContent.size()) == static_cast<ssize_t>(kContent.size()) &&
                    linkat(fd, "", dir, (std::to_string(++n) + ".png").c_str(), AT_EMPTY_PATH) == 0;
    if (fd >= 0) close(fd);
    if (!ok) state.SkipWithError("O_TMPFILE and linkat failed");
  }
  state.SetItemsProcessed(state.iterations());
  close(dir);
}

}  // namespace

BENCHMARK(BM_NewFile);
BENCHMARK(BM_DirectoryNewFiles)->Iterations(10000);
BENCHMARK(BM_FloorTmpfileLink)->Iterations(10000);
BENCHMARK_CAPTURE(BM_Replace, with_sync, dexmora::SyncPolicy::WhenReplacing);
BENCHMARK_CAPTURE(BM_Replace, without_sync, dexmora::SyncPolicy::Never);
BENCHMARK_MAIN();
