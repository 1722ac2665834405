#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "server/symbol_facts.h"
#include "server/symbol_request.h"

namespace dexmora::serve {

/// A successful answer as it is sent again.
struct CachedAnswer {
  std::string body;
  std::string tag;  ///< the entity tag, quotes included
  Format format;
  bool download;
  SymbolFacts facts;
};

/// Recent answers by request target. The same target always gives the same
/// bytes, so a page that shows one symbol to every visitor has it encoded
/// and its query parsed once. Direct-mapped: a new answer takes its slot
/// from whatever held it; answers are held to a total byte budget.
class ResponseCache {
 public:
  /// `budget` bytes of answers in all; 0 keeps nothing.
  explicit ResponseCache(size_t budget);

  /// The answer kept for `target`, or null.
  std::shared_ptr<const CachedAnswer> find(std::string_view target) const;
  /// Keeps `answer` for `target` when it fits the budget (threads storing at
  /// once may pass it by a few answers).
  void store(std::string_view target, std::shared_ptr<const CachedAnswer> answer);

 private:
  struct Entry {
    std::string target;
    std::shared_ptr<const CachedAnswer> answer;
    size_t size() const { return target.size() + answer->body.size() + answer->tag.size(); }
  };
  static constexpr size_t kSlots = 4096;
  static constexpr size_t kLocks = 64;

  size_t m_budget;
  size_t m_largest;  // a larger answer is not kept
  std::vector<std::shared_ptr<const Entry>> m_slots;
  mutable std::array<std::mutex, kLocks> m_locks;
  std::atomic<size_t> m_bytes{0};
};

}  // namespace dexmora::serve
