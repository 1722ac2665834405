#pragma once

// Files written by path, as Symbol.save() and sheet() do it.
#include <pybind11/pybind11.h>

#include <string>

namespace dexmora_python {

// `target` converted as open() converts it: str, bytes or a path object to
// the bytes the system calls see, undecodable names included, and a
// ValueError for a NUL, which would cut the name short.
std::string systemPath(pybind11::handle target);

// `bytes` written to `path` (from `target`) with the GIL released, replaced
// atomically; WriteError naming `target` when it fails, and the library's
// warnings as UserWarnings.
void writeToPath(pybind11::handle target, const std::string& path, const std::string& bytes);

}  // namespace dexmora_python
