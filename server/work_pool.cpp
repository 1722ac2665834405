#include "server/work_pool.h"

namespace dexmora::serve {

WorkPool::WorkPool(unsigned threads, unsigned limit) : m_limit(limit) {
  m_threads.reserve(threads);
  for (unsigned i = 0; i < threads; ++i) m_threads.emplace_back([this] { work(); });
}

WorkPool::~WorkPool() { stop(); }

bool WorkPool::submit(Job& job) {
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping || m_load.load(std::memory_order_relaxed) >= m_limit) return false;
    m_queue.push_back({std::move(job), std::chrono::steady_clock::now()});
    m_load.fetch_add(1, std::memory_order_relaxed);
  }
  m_ready.notify_one();
  return true;
}

void WorkPool::stop() {
  std::deque<Queued> abandoned;
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
    abandoned.swap(m_queue);
  }
  m_ready.notify_all();
  for (Queued& queued : abandoned) finish(queued.job, false);
  for (std::thread& thread : m_threads) thread.join();
  m_threads.clear();
}

unsigned WorkPool::queued() const {
  const std::lock_guard<std::mutex> lock(m_mutex);
  return static_cast<unsigned>(m_queue.size());
}

void WorkPool::work() {
  for (;;) {
    Queued next;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_ready.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
      if (m_queue.empty()) return;
      next = std::move(m_queue.front());
      m_queue.pop_front();
    }
    const auto waited = std::chrono::steady_clock::now() - next.since;
    m_waitedMicros.fetch_add(
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(waited).count()),
        std::memory_order_relaxed);
    m_started.fetch_add(1, std::memory_order_relaxed);
    finish(next.job, true);
  }
}

void WorkPool::finish(Job& job, bool run) {
  job.work(run);
  m_load.fetch_sub(1, std::memory_order_relaxed);
  job.deliver();
}

}  // namespace dexmora::serve
