#pragma once

// dexmora.Symbol: a finished symbol's figures, its modules through the buffer
// protocol, and its pictures in every format, rendered without the GIL.

#include <pybind11/pybind11.h>

namespace dexmora_python {

void addSymbol(pybind11::module_& module);

}  // namespace dexmora_python
