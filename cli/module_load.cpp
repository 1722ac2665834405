#include "cli/module_load.h"

#include <dlfcn.h>

namespace {

using AbiFunction = int (*)();

}  // namespace

void* loadModuleEntry(const std::string& path, const char* abiSymbol, const char* entry, int abi, const char* kind,
                      const std::string& failed, std::string& error) {
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    // The loader's message starts with the path when the module itself is at
    // fault, and names the library instead when one it needs is missing.
    std::string why = dlerror();
    if (why.compare(0, path.size() + 2, path + ": ") == 0) why.erase(0, path.size() + 2);
    error = failed + why;
    return nullptr;
  }
  const auto moduleAbi = reinterpret_cast<AbiFunction>(dlsym(module, abiSymbol));
  void* function = dlsym(module, entry);
  if (moduleAbi == nullptr || function == nullptr) {
    error = failed + "it is not a dexmora " + kind + " module";
  } else if (moduleAbi() != abi) {
    error = failed + "it was built for another version of dexmora-cli (interface " + std::to_string(moduleAbi()) +
            ", this one needs " + std::to_string(abi) + ")";
  } else {
    return function;
  }
  return nullptr;
}
