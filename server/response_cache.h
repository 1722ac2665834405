#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dexmora::serve {

/// Recently made response bodies by canonical request. The same request
/// always gives the same bytes, so a page that shows one symbol to every
/// visitor has it encoded once. Direct-mapped: a new body takes its slot
/// from whatever held it; bodies are held to a total byte budget.
class ResponseCache {
 public:
  /// `budget` bytes of bodies in all; 0 keeps nothing.
  explicit ResponseCache(size_t budget);

  /// The body made for `canonical`, if it is held.
  std::optional<std::string> find(std::string_view canonical) const;
  /// Holds `body` for `canonical` when it fits the budget (threads storing
  /// at once may pass it by a few bodies).
  void store(std::string_view canonical, std::string_view body);

 private:
  struct Entry {
    std::string canonical;
    std::string body;
  };
  static constexpr size_t kSlots = 4096;
  static constexpr size_t kLocks = 64;

  size_t m_budget;
  size_t m_largest;  // a body larger than this is not held
  std::vector<std::shared_ptr<const Entry>> m_slots;
  mutable std::array<std::mutex, kLocks> m_locks;
  std::atomic<size_t> m_bytes{0};
};

}  // namespace dexmora::serve
