// Batch throughput: dexmora-cli --batch writing 10,000 files of 12-character
// texts on 1 and 2 threads, and where a symbol's time goes: encoding, the PNG
// (next to libpng alone writing the same raster) and the file creation.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csetjmp>
#include <filesystem>
#include <string>
#include <vector>

#include <dexmora/encode.h>
#include <dexmora/output_file.h>
#include "render/png.h"
#include "render/png_compact.h"
#include "render/raster.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kLines = 10000;

std::string lineText(int i) {
  std::string text = "LOT" + std::to_string(i * 7919 % 1000003);
  text.resize(12, 'Z');
  return text;
}

// The benchmark's files go to the local disk, not a tmpfs.
fs::path scratchDirectory(const std::string& name) {
  fs::path dir = fs::path("/var/tmp") / ("dexmora-bench-" + name + "-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

int runBatch(const fs::path& list, const fs::path& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {DEXMORA_CLI_PATH, "--batch", list.string(), "-o", (dir / "{n}.png").string()});
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (spawned != 0 || waitpid(child, &status, 0) < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// Whole runs, syncfs included; the directory is emptied between runs.
void wholeBatch(benchmark::State& state, std::vector<std::string> args) {
  const fs::path dir = scratchDirectory("batch");
  const fs::path list = dir / "list";
  {
    std::string text;
    for (int i = 1; i <= kLines; ++i) text += lineText(i) + "\n";
    std::FILE* file = std::fopen(list.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
  args.insert(args.end(), {"-j", std::to_string(state.range(0))});
  int run = 0;
  for (auto _ : state) {
    // A fresh directory each run, emptied only at the end: ext4 skips inodes
    // freed in the last minutes, reading each one's table block, so creating
    // files right after deleting thousands measures that search instead.
    state.PauseTiming();
    const fs::path out = dir / std::to_string(++run);
    fs::create_directory(out);
    state.ResumeTiming();
    if (runBatch(list, out, args) != 0) state.SkipWithError("the batch failed");
  }
  state.SetItemsProcessed(state.iterations() * kLines);
  fs::remove_all(dir);
}

void BM_BatchCompact(benchmark::State& state) { wholeBatch(state, {"--module", "5"}); }
void BM_BatchDefault(benchmark::State& state) { wholeBatch(state, {}); }
BENCHMARK(BM_BatchCompact)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_BatchDefault)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Encode(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(dexmora::encode(lineText(++i % kLines)));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Encode);

void BM_CompactPng(benchmark::State& state) {
  const dexmora::Symbol symbol = *dexmora::encode(lineText(1));
  dexmora::PngGeometry geometry;
  geometry.modulePixels = 5;
  for (auto _ : state) {
    benchmark::DoNotOptimize(dexmora::encodePngCompact(symbol, {dexmora::kBlack, dexmora::kWhite}, geometry));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CompactPng);

// Our whole default picture: encoding, raster and PNG.
void BM_DefaultPicture(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    const dexmora::Symbol symbol = *dexmora::encode(lineText(++i % kLines));
    benchmark::DoNotOptimize(dexmora::encodePngRgb(dexmora::rasterizeDefault(symbol)));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DefaultPicture);

void appendPng(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

// libpng alone writing the same raster to memory: the floor for the default picture.
void BM_LibpngSameRaster(benchmark::State& state) {
  const dexmora::Raster raster = dexmora::rasterizeDefault(*dexmora::encode(lineText(1)));
  std::vector<png_bytep> rows(raster.height);
  for (uint32_t y = 0; y < raster.height; ++y) rows[y] = const_cast<png_bytep>(&raster.rgb[y * raster.width * 3]);
  for (auto _ : state) {
    std::string bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &bytes, appendPng, nullptr);
    png_set_IHDR(png, info, raster.width, raster.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LibpngSameRaster);

// A new file through the batch's writer path: O_TMPFILE, write, link, no sync.
void BM_WriteNewFile(benchmark::State& state) {
  const fs::path dir = scratchDirectory("files");
  const std::string bytes(150, 'x');
  dexmora::OutputFileOptions options;
  options.sync = dexmora::SyncPolicy::Never;
  int n = 0;
  for (auto _ : state) {
    const auto written = dexmora::writeFile((dir / std::to_string(++n)).string(), bytes, options);
    if (!written) state.SkipWithError(written.error().message().c_str());
  }
  state.SetItemsProcessed(state.iterations());
  fs::remove_all(dir);
}
BENCHMARK(BM_WriteNewFile)->Iterations(5000);

}  // namespace
BENCHMARK_MAIN();
