#pragma once

// Shared pieces of the option parsers: one wording for every refused value.
#include <cstddef>
#include <string>
#include <string_view>

#include <dexmora/error.h>

#include "core/message.h"

namespace dexmora {

// `text` with A-Z as a-z: option values are read in any case.
std::string lowerCase(std::string_view text);

// A whole number from `low` to `high` with nothing around it, or nothing.
bool parseWholeNumber(std::string_view text, int low, int high, int& value);

// A name in place rather than a pointer, so that tables of them need no
// relocation and stay in read-only memory.
template <typename T>
struct Named {
  char name[16];
  T value;
};

// The value whose name is `text`, or "bad WHAT 'TEXT': use a, b or c".
template <typename T, size_t N>
Expected<T> lookUpName(const Message& what, std::string_view text, const Named<T> (&names)[N]) {
  std::string choices;
  for (size_t i = 0; i < N; ++i) {
    if (std::string_view(names[i].name) == text) return names[i].value;
    choices += std::string(i == 0 ? "" : i + 1 == N ? " or " : ", ") + std::string(names[i].name);
  }
  return badValue(what, text, "use " + choices);
}

}  // namespace dexmora
