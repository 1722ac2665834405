#pragma once

// dexmora.sheet()'s compiled half: items and option texts in, the PDF and
// the items left out back; and the atomic write of Sheet.save().

#include <pybind11/pybind11.h>

namespace dexmora_python {

void addSheet(pybind11::module_& module);

}  // namespace dexmora_python
