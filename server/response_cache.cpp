#include "server/response_cache.h"

#include <functional>

namespace dexmora::serve {

ResponseCache::ResponseCache(size_t budget) : m_budget(budget), m_largest(budget / 64), m_slots(budget ? kSlots : 0) {}

std::optional<std::string> ResponseCache::find(std::string_view canonical) const {
  if (m_slots.empty()) return std::nullopt;
  const size_t slot = std::hash<std::string_view>()(canonical) % kSlots;
  std::shared_ptr<const Entry> entry;
  {
    const std::lock_guard<std::mutex> lock(m_locks[slot % kLocks]);
    entry = m_slots[slot];
  }
  if (!entry || entry->canonical != canonical) return std::nullopt;
  return entry->body;
}

void ResponseCache::store(std::string_view canonical, std::string_view body) {
  const size_t size = canonical.size() + body.size();
  if (m_slots.empty() || size > m_largest) return;
  auto entry = std::make_shared<const Entry>(Entry{std::string(canonical), std::string(body)});
  const size_t slot = std::hash<std::string_view>()(canonical) % kSlots;
  std::shared_ptr<const Entry> old;
  {
    const std::lock_guard<std::mutex> lock(m_locks[slot % kLocks]);
    const size_t freed = m_slots[slot] ? m_slots[slot]->canonical.size() + m_slots[slot]->body.size() : 0;
    // Over the budget, the slot keeps what it has.
    if (m_bytes.load(std::memory_order_relaxed) + size > m_budget + freed) return;
    m_bytes.fetch_add(size, std::memory_order_relaxed);
    m_bytes.fetch_sub(freed, std::memory_order_relaxed);
    old = std::move(m_slots[slot]);
    m_slots[slot] = std::move(entry);
  }
}

}  // namespace dexmora::serve
