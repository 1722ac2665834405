#include <pybind11/pybind11.h>

#include <string>

#include <dexmora/version.h>

#include "docstrings.h"
#include "encode_binding.h"
#include "errors.h"
#include "notices.h"
#include "sheet_binding.h"
#include "symbol_binding.h"

namespace py = pybind11;

PYBIND11_MODULE(_dexmora, module) {
  // The docstrings carry Python's own signatures (see docstrings.h).
  py::options options;
  options.disable_function_signatures();
  module.doc() = dexmora_python::doc::kModule;
  module.attr("__version__") = std::string(dexmora::libraryVersion());
  dexmora_python::addExceptions(module);
  dexmora_python::addWarnings(module);
  dexmora_python::addSymbol(module);
  dexmora_python::addEncode(module);
  dexmora_python::addSheet(module);
}
