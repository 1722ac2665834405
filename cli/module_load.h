#pragma once

#include <string>

// Loads the module at `path` for good (a module's code must outlive every
// call into it) and returns its function `entry`, once its function
// `abiSymbol` says it speaks interface `abi`. Else nullptr, with `error`
// set to `failed` followed by why: the loader's words, "it is not a
// dexmora KIND module", or the interface it was built for.
void* loadModuleEntry(const std::string& path, const char* abiSymbol, const char* entry, int abi, const char* kind,
                      const std::string& failed, std::string& error);
