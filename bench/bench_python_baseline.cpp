// The C++ side of bench_python.py: the loop the Python benchmark times,
// 10,000 x encode("SN-000123") and its SVG, through the public library.
// Prints the best of ROUNDS rounds in microseconds per iteration.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <dexmora/dexmora.h>

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
  constexpr int kIterations = 10000;
  double best = 1e30;
  size_t bytes = 0;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kIterations; ++i) {
      const dexmora::Expected<dexmora::Symbol> symbol = dexmora::encode("SN-000123");
      if (!symbol) return 1;
      const dexmora::Expected<dexmora::Rendering> svg = dexmora::render(*symbol, dexmora::OutputFormat::Svg);
      if (!svg) return 1;
      bytes += svg->bytes.size();
    }
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    best = std::min(best, elapsed.count() / kIterations);
  }
  std::printf("%.3f %zu\n", best, bytes);
  return 0;
}
