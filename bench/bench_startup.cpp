// Start-up against its floor. In one run, interleaved, each at least 500
// times: floor_png (a C program that only writes the 70x70 RGB PNG with
// libpng), dexmora-cli writing that same picture (-s 10 123456) to a new name
// each time (no replace, so no sync), and dexmora-cli --version. Reports the
// medians of wall time and of CPU time (user + system, which the other
// programs on a shared machine disturb less) and their ratios to the floor's;
// the targets are 1.05 and 1.00 of the floor's wall time.
// Usage: bench_startup [RUNS [DEXMORA_CLI]]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "process_timing.h"

namespace {

struct Contender {
  const char* name;
  double target;  // the ratio to the floor it should stay under; 0 for the floor
  std::vector<double> seconds;
  std::vector<double> cpuSeconds;
};

std::vector<std::string> command(int which, const std::string& cli, const std::string& dir, int run) {
  const std::string file = dir + "/" + std::to_string(which) + "-" + std::to_string(run) + ".png";
  switch (which) {
    case 0:
      return {FLOOR_PNG_PATH, file};
    case 1:
      return {cli, "-s", "10", "-o", file, "123456"};
    default:
      return {cli, "--version"};
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 1000;
  const std::string cli = argc > 2 ? argv[2] : DEXMORA_CLI_PATH;
  const std::string dir = freshDirectory("startup");
  // Same bytes, or the floor is not the floor of this picture.
  if (timeProcess(command(0, cli, dir, -1)) < 0 || timeProcess(command(1, cli, dir, -1)) < 0 ||
      fileBytes(dir + "/0--1.png") != fileBytes(dir + "/1--1.png")) {
    std::fprintf(stderr, "bench_startup: floor_png and %s do not write the same PNG\n", cli.c_str());
    return 1;
  }
  Contender contenders[] = {{"floor_png FILE", 0, {}, {}},
                            {"dexmora-cli -s 10 -o NEW.png 123456", 1.05, {}, {}},
                            {"dexmora-cli --version", 1.00, {}, {}}};
  // Each round starts with the next program, so none always follows another.
  for (int run = 0; run < runs; ++run) {
    for (int i = 0; i < 3; ++i) {
      const int which = (run + i) % 3;
      double cpu = 0;
      const double seconds = timeProcess(command(which, cli, dir, run), &cpu);
      if (seconds < 0) {
        std::fprintf(stderr, "bench_startup: %s failed\n", contenders[which].name);
        return 1;
      }
      contenders[which].seconds.push_back(seconds);
      contenders[which].cpuSeconds.push_back(cpu);
    }
  }
  std::filesystem::remove_all(dir);
  const double floor = median(contenders[0].seconds);
  const double floorCpu = median(contenders[0].cpuSeconds);
  std::printf("%d runs each, interleaved; wall time from spawn to exit, CPU time user + system\n", runs);
  std::printf("%-38s %9s %9s %9s %7s %9s %7s\n", "program", "median", "p10", "p90", "ratio", "cpu", "ratio");
  bool met = true;
  for (const Contender& c : contenders) {
    const double ratio = median(c.seconds) / floor;
    std::printf("%-38s %7.3fms %7.3fms %7.3fms %7.3f %7.3fms %7.3f", c.name, median(c.seconds) * 1e3,
                quantile(c.seconds, 0.1) * 1e3, quantile(c.seconds, 0.9) * 1e3, ratio, median(c.cpuSeconds) * 1e3,
                median(c.cpuSeconds) / floorCpu);
    if (c.target > 0) std::printf("  (target <= %.2f%s)", c.target, ratio <= c.target ? "" : ", missed");
    std::printf("\n");
    met = met && (c.target == 0 || ratio <= c.target);
  }
  return met ? 0 : 2;
}
