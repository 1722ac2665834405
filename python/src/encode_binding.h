#pragma once

// dexmora.encode() and dexmora.encode_many(): data and keywords to symbols,
// the encoding done without the GIL, encode_many() on a pool of threads.

#include <pybind11/pybind11.h>

namespace dexmora_python {

void addEncode(pybind11::module_& module);

}  // namespace dexmora_python
