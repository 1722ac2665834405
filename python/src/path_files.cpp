#include "path_files.h"

#include <optional>

#include <dexmora/output_file.h>

#include "errors.h"

namespace py = pybind11;

namespace dexmora_python {

std::string systemPath(py::handle target) {
  PyObject* converted = nullptr;
  if (PyUnicode_FSConverter(target.ptr(), &converted) == 0) throw py::error_already_set();
  return py::reinterpret_steal<py::bytes>(converted);
}

void writeToPath(py::handle target, const std::string& path, const std::string& bytes) {
  std::optional<dexmora::Expected<dexmora::WriteReport>> written;
  {
    py::gil_scoped_release unlocked;
    written.emplace(dexmora::writeFile(path, bytes));
  }
  if (!*written) raiseError(written->error(), {std::nullopt, py::reinterpret_borrow<py::object>(target)});
  for (const std::string& warning : (*written)->warnings)
    if (PyErr_WarnEx(PyExc_UserWarning, warning.c_str(), 1) != 0) throw py::error_already_set();
}

}  // namespace dexmora_python
