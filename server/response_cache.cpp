#include "server/response_cache.h"

#include <functional>

namespace dexmora::serve {

ResponseCache::ResponseCache(size_t budget) : m_budget(budget), m_largest(budget / 64), m_slots(budget ? kSlots : 0) {}

std::shared_ptr<const CachedAnswer> ResponseCache::find(std::string_view target) const {
  if (m_slots.empty()) return nullptr;
  const size_t slot = std::hash<std::string_view>()(target) % kSlots;
  std::shared_ptr<const Entry> entry;
  {
    const std::lock_guard<std::mutex> lock(m_locks[slot % kLocks]);
    entry = m_slots[slot];
  }
  if (!entry || entry->target != target) return nullptr;
  return entry->answer;
}

void ResponseCache::store(std::string_view target, std::shared_ptr<const CachedAnswer> answer) {
  if (m_slots.empty()) return;
  auto entry = std::make_shared<const Entry>(Entry{std::string(target), std::move(answer)});
  const size_t size = entry->size();
  if (size > m_largest) return;
  const size_t slot = std::hash<std::string_view>()(target) % kSlots;
  std::shared_ptr<const Entry> old;  // let go of outside the lock
  {
    const std::lock_guard<std::mutex> lock(m_locks[slot % kLocks]);
    const size_t freed = m_slots[slot] ? m_slots[slot]->size() : 0;
    // Over the budget, the slot keeps what it has.
    if (m_bytes.load(std::memory_order_relaxed) + size > m_budget + freed) return;
    m_bytes.fetch_add(size, std::memory_order_relaxed);
    m_bytes.fetch_sub(freed, std::memory_order_relaxed);
    old = std::move(m_slots[slot]);
    m_slots[slot] = std::move(entry);
  }
}

}  // namespace dexmora::serve
