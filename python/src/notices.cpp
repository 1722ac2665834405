#include "notices.h"

#include <string>

namespace py = pybind11;

namespace dexmora_python {

namespace {

struct WarningInfo {
  const char* name;
  const char* doc;
};

constexpr WarningInfo kBase{"DexmoraWarning",
                            "Something dexmora chose on the caller's behalf (a UserWarning). `name` is the\n"
                            "library's stable notice name and `figures` a dict of its figures."};
constexpr WarningInfo kSize{"SizeWarning",
                            "The data did not fit the size asked for and a larger one was used (notice\n"
                            "'size_raised', figures 'asked' and 'used'); exact_size=True refuses instead."};

// Made once when the module is imported and never released, like the exception classes.
PyObject* g_base = nullptr;
PyObject* g_size = nullptr;

PyObject* makeClass(py::module_& module, const WarningInfo& info, PyObject* base) {
  const std::string qualified = std::string("dexmora.") + info.name;
  PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), info.doc, base, nullptr);
  if (type == nullptr) throw py::error_already_set();
  module.attr(info.name) = py::handle(type);
  return type;
}

py::dict figuresOf(const dexmora::Notice& notice) {
  py::dict figures;
  for (const dexmora::NoticeFigure& figure : notice.figures()) figures[py::str(figure.first)] = py::str(figure.second);
  return figures;
}

}  // namespace

void addWarnings(py::module_& module) {
  g_base = makeClass(module, kBase, PyExc_UserWarning);
  g_size = makeClass(module, kSize, g_base);
}

void warnNotices(const std::vector<dexmora::Notice>& notices, std::optional<size_t> index) {
  if (notices.empty()) return;
  const py::object warn = py::module_::import("warnings").attr("warn");
  for (const dexmora::Notice& notice : notices) {
    PyObject* type = notice.code() == dexmora::NoticeCode::SizeRaised ? g_size : g_base;
    const std::string text = index ? "item " + std::to_string(*index) + ": " + notice.message() : notice.message();
    py::object warning = py::handle(type)(py::str(text));
    warning.attr("name") = py::str(std::string(notice.name()));
    warning.attr("figures") = figuresOf(notice);
    // stacklevel 1 is the caller's line: there is no Python frame of ours in between.
    warn(warning, py::none(), 1);
  }
}

py::list noticeList(const std::vector<dexmora::Notice>& notices) {
  py::list list;
  for (const dexmora::Notice& notice : notices) {
    py::dict entry;
    entry["name"] = py::str(std::string(notice.name()));
    for (const dexmora::NoticeFigure& figure : notice.figures()) entry[py::str(figure.first)] = py::str(figure.second);
    entry["message"] = py::str(notice.message());
    list.append(entry);
  }
  return list;
}

}  // namespace dexmora_python
