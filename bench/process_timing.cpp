#include "process_timing.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

extern char** environ;

double timeProcess(const std::vector<std::string>& args, double* cpuSeconds) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (spawned != 0 || wait4(child, &status, 0, &usage) < 0) return -1;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  if (cpuSeconds != nullptr) {
    const auto seconds = [](const timeval& t) {
      return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    *cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  }
  return elapsed.count();
}

double quantile(std::vector<double> samples, double q) {
  if (samples.empty()) return 0;
  const auto at = samples.begin() + static_cast<long>(std::lround(q * static_cast<double>(samples.size() - 1)));
  std::nth_element(samples.begin(), at, samples.end());
  return *at;
}

double median(std::vector<double> samples) {
  if (samples.empty()) return 0;
  const size_t half = samples.size() / 2;
  std::nth_element(samples.begin(), samples.begin() + static_cast<long>(half), samples.end());
  const double upper = samples[half];
  if (samples.size() % 2 == 1) return upper;
  return (upper + *std::max_element(samples.begin(), samples.begin() + static_cast<long>(half))) / 2;
}

std::string freshDirectory(const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path("/var/tmp") / ("dexmora-" + name + "-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
