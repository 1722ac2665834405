#include "server/metrics.h"

#include <cstdio>

#include "server/symbol_request.h"

namespace dexmora::serve {

void Metrics::countRequest(unsigned status, int format, double seconds) {
  size_t row = kStatuses.size() - 1;  // the last row counts every other status
  for (size_t i = 0; i + 1 < kStatuses.size(); ++i)
    if (kStatuses[i] == status) row = i;
  const size_t column = format >= 0 && format < kNoFormat ? static_cast<size_t>(format) : kNoFormat;
  m_requests[row][column].fetch_add(1, std::memory_order_relaxed);
  size_t bucket = 0;
  while (bucket < kBuckets.size() && seconds > kBuckets[bucket]) ++bucket;
  m_latency[bucket].fetch_add(1, std::memory_order_relaxed);
  m_latencyMicros.fetch_add(static_cast<uint64_t>(seconds * 1e6), std::memory_order_relaxed);
}

std::string Metrics::text(const WorkFigures& work) const {
  std::string out;
  char line[320];
  out += "# HELP dexmora_requests_total Requests answered, by status and format.\n"
         "# TYPE dexmora_requests_total counter\n";
  for (size_t row = 0; row < kStatuses.size(); ++row) {
    for (size_t column = 0; column <= kNoFormat; ++column) {
      const uint64_t count = m_requests[row][column].load(std::memory_order_relaxed);
      if (count == 0) continue;
      const std::string status = kStatuses[row] != 0 ? std::to_string(kStatuses[row]) : "other";
      const std::string_view format =
          column < kNoFormat ? formatName(static_cast<Format>(column)) : std::string_view("none");
      std::snprintf(line, sizeof line, "dexmora_requests_total{status=\"%s\",format=\"%.*s\"} %llu\n", status.c_str(),
                    static_cast<int>(format.size()), format.data(), static_cast<unsigned long long>(count));
      out += line;
    }
  }
  out += "# HELP dexmora_request_duration_seconds Time from a request's first line to its last byte sent.\n"
         "# TYPE dexmora_request_duration_seconds histogram\n";
  uint64_t cumulative = 0;
  for (size_t bucket = 0; bucket <= kBuckets.size(); ++bucket) {
    cumulative += m_latency[bucket].load(std::memory_order_relaxed);
    if (bucket < kBuckets.size()) {
      std::snprintf(line, sizeof line, "dexmora_request_duration_seconds_bucket{le=\"%g\"} %llu\n", kBuckets[bucket],
                    static_cast<unsigned long long>(cumulative));
    } else {
      std::snprintf(line, sizeof line, "dexmora_request_duration_seconds_bucket{le=\"+Inf\"} %llu\n",
                    static_cast<unsigned long long>(cumulative));
    }
    out += line;
  }
  std::snprintf(line, sizeof line,
                "dexmora_request_duration_seconds_sum %.6f\ndexmora_request_duration_seconds_count %llu\n",
                static_cast<double>(m_latencyMicros.load(std::memory_order_relaxed)) / 1e6,
                static_cast<unsigned long long>(cumulative));
  out += line;
  std::snprintf(line, sizeof line,
                "# HELP dexmora_in_flight Symbols queued and being made now.\n# TYPE dexmora_in_flight gauge\n"
                "dexmora_in_flight %u\n",
                work.inFlight);
  out += line;
  std::snprintf(line, sizeof line,
                "# HELP dexmora_queue_depth Symbols waiting for a worker now.\n# TYPE dexmora_queue_depth gauge\n"
                "dexmora_queue_depth %u\n",
                work.queued);
  out += line;
  std::snprintf(line, sizeof line,
                "# HELP dexmora_queue_wait_seconds Time symbols waited for a worker.\n"
                "# TYPE dexmora_queue_wait_seconds summary\n"
                "dexmora_queue_wait_seconds_sum %.6f\ndexmora_queue_wait_seconds_count %llu\n",
                work.waited, static_cast<unsigned long long>(work.started));
  out += line;
  std::snprintf(line, sizeof line,
                "# HELP dexmora_symbols_total Symbols encoded.\n# TYPE dexmora_symbols_total counter\n"
                "dexmora_symbols_total %llu\n",
                static_cast<unsigned long long>(m_symbols.load(std::memory_order_relaxed)));
  out += line;
  std::snprintf(line, sizeof line,
                "# HELP dexmora_cache_hits_total Answers sent again from the response cache.\n"
                "# TYPE dexmora_cache_hits_total counter\ndexmora_cache_hits_total %llu\n",
                static_cast<unsigned long long>(m_cacheHits.load(std::memory_order_relaxed)));
  out += line;
  return out;
}

}  // namespace dexmora::serve
