// The C++ side of bench_python.py: the loop the Python benchmark times,
// 10,000 x encode("SN-000123") and its SVG, through the public library.
// Prints the best of ROUNDS rounds in microseconds per iteration, in wall
// time and in the process's CPU time (which other programs on a shared
// machine disturb far less).
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <dexmora/dexmora.h>

namespace {

double cpuMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
  constexpr int kIterations = 10000;
  double best = 1e30;
  double bestCpu = 1e30;
  size_t bytes = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    const double startCpu = cpuMicroseconds();
    for (int i = 0; i < kIterations; ++i) {
      const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode("SN-000123");
      if (!symbol) return 1;
      const dexmora::Expected<dexmora::Rendering> svg = dexmora::render(*symbol, dexmora::OutputFormat::Svg);
      if (!svg) return 1;
      bytes += svg->bytes.size();
    }
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count() / kIterations);
    bestCpu = std::min(bestCpu, (cpuMicroseconds() - startCpu) / kIterations);
  }
  std::printf("%.3f %.3f %zu\n", best, bestCpu, bytes);
  return 0;
}
