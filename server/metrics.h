#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace dexmora::serve {

/// The worker pool's figures at the moment /metrics is asked.
struct WorkFigures {
  unsigned inFlight = 0;  ///< symbols queued and being made
  unsigned queued = 0;    ///< symbols waiting for a worker
  uint64_t started = 0;   ///< symbols a worker took up
  double waited = 0;      ///< seconds they waited for it, in all
};

/// What /metrics reports, counted from every thread at once.
class Metrics {
 public:
  /// Formats are counted by index 0..5 (Format); this one means none.
  static constexpr int kNoFormat = 6;

  /// One finished request: its status (0 when none was sent), the format
  /// it asked for (or kNoFormat) and how long it took from its first line.
  void countRequest(unsigned status, int format, double seconds);
  void countSymbol() { m_symbols.fetch_add(1, std::memory_order_relaxed); }
  void countCacheHit() { m_cacheHits.fetch_add(1, std::memory_order_relaxed); }

  /// The Prometheus text exposition of every counter, and of `work`.
  std::string text(const WorkFigures& work) const;

 private:
  static constexpr std::array<unsigned, 14> kStatuses = {200, 204, 304, 400, 404, 405, 413,
                                                         414, 415, 431, 500, 501, 503, 0};
  static constexpr std::array<double, 12> kBuckets = {0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025,
                                                      0.05,   0.1,   0.25,   0.5,   1.0,  2.5};
  std::array<std::array<std::atomic<uint64_t>, kNoFormat + 1>, kStatuses.size()> m_requests{};
  std::array<std::atomic<uint64_t>, kBuckets.size() + 1> m_latency{};
  std::atomic<uint64_t> m_latencyMicros{0};
  std::atomic<uint64_t> m_symbols{0};
  std::atomic<uint64_t> m_cacheHits{0};
};

}  // namespace dexmora::serve
