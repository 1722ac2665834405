#include "dexmora_frontend/key_spelling.h"

namespace dexmora {

std::string commandLineKey(std::string_view key) { return "--" + std::string(key); }

std::string pythonKeyword(std::string_view key) {
  std::string name(key);
  for (char& c : name)
    if (c == '-') c = '_';
  return name;
}

}  // namespace dexmora
