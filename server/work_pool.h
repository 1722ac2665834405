#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace dexmora::serve {

/// A fixed set of threads that run the expensive part of requests (encoding
/// and rendering), so the threads that poll the connections stay free for
/// everything else. Work is held to a limit counting queued and running jobs.
class WorkPool {
 public:
  /// A job's work gets true when it runs, false when the pool stops before
  /// it could; then its delivery hands the result over. The job no longer
  /// counts against the limit by then, so whoever receives the result may
  /// submit again at once.
  struct Job {
    std::function<void(bool run)> work;
    std::function<void()> deliver;
  };

  /// Starts `threads` threads admitting up to `limit` jobs at once.
  WorkPool(unsigned threads, unsigned limit);
  ~WorkPool();
  WorkPool(const WorkPool&) = delete;
  WorkPool& operator=(const WorkPool&) = delete;

  /// Queues `job`; false (and `job` untouched) when the limit is reached or
  /// the pool is stopping.
  bool submit(Job& job);
  /// Jobs not yet running get false, running ones finish; then the threads end.
  void stop();

  /// Jobs queued and running.
  unsigned load() const { return m_load.load(std::memory_order_relaxed); }
  /// Jobs waiting for a thread.
  unsigned queued() const;
  /// Jobs started, and the seconds they waited for a thread in all.
  uint64_t started() const { return m_started.load(std::memory_order_relaxed); }
  double waitedSeconds() const { return static_cast<double>(m_waitedMicros.load(std::memory_order_relaxed)) / 1e6; }

 private:
  struct Queued {
    Job job;
    std::chrono::steady_clock::time_point since;
  };
  void work();
  void finish(Job& job, bool run);

  const unsigned m_limit;
  mutable std::mutex m_mutex;
  std::condition_variable m_ready;
  std::deque<Queued> m_queue;
  bool m_stopping = false;
  std::atomic<unsigned> m_load{0};
  std::atomic<uint64_t> m_started{0};
  std::atomic<uint64_t> m_waitedMicros{0};
  std::vector<std::thread> m_threads;
};

}  // namespace dexmora::serve
