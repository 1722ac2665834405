// Cost of one whole process that writes a small barcode picture: dexmora-cli
// for a 10x10 Data Matrix, next to qrencode writing the same text as a QR Code
// PNG at the same module size, and an empty process as the floor.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Spawns `args` with its output streams on /dev/null and returns its exit
// status, or -1 when it could not run or ended by a signal.
int runQuietly(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

void runProgram(benchmark::State& state, std::vector<std::string> args) {
  if (args[0].empty()) {
    state.SkipWithError("program not installed");
    return;
  }
  fs::path picture = fs::temp_directory_path() / ("dexmora-bench-" + std::to_string(getpid()) + ".png");
  for (std::string& arg : args) {
    if (arg == "@OUT") arg = picture.string();
  }
  for (auto _ : state) {
    if (runQuietly(args) != 0) {
      state.SkipWithError("the program failed");
      break;
    }
  }
  std::error_code ignored;
  fs::remove(picture, ignored);
}

}  // namespace

BENCHMARK_CAPTURE(runProgram, dexmora_cli_10x10, {DEXMORA_CLI_PATH, "-s", "10", "-o", "@OUT", "123456"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(runProgram, qrencode_same_text, {QRENCODE_PATH, "-s", "5", "-o", "@OUT", "123456"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(runProgram, empty_process, {TRUE_PATH})->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
