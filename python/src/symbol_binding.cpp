#include "symbol_binding.h"

#include <cerrno>
#include <optional>
#include <string>
#include <utility>

#include <dexmora/render.h>
#include <dexmora/symbol.h>

#include "docstrings.h"
#include "errors.h"
#include "keywords.h"
#include "notices.h"
#include "path_files.h"

namespace py = pybind11;

namespace dexmora_python {

namespace {

using dexmora::OutputFormat;
using dexmora::Symbol;

// Rendering keywords: `module` may also come first, without its name. Any
// option given makes the picture exact, as on the command line.
dexmora::RenderSettings renderSettings(const py::args& args, const py::kwargs& kwargs, const char* function) {
  if (args.empty() && kwargs.empty()) return {};
  if (args.size() > 1) {
    throw py::type_error(std::string(function) + "() takes at most 1 positional argument (module), " +
                         std::to_string(args.size()) + " given");
  }
  dexmora::OptionSet options;
  if (args.size() == 1) {
    if (kwargs.contains("module")) {
      throw py::type_error(std::string(function) + "() got multiple values for argument 'module'");
    }
    setOption(options, "module", args[0], function);
  }
  applyKeywords(options, kwargs, OptionGroup::Render, function);
  finishOptions(options);
  return options.renderSettings();
}

// The picture's bytes; the library's warnings (a module size rounded from
// xdim and dpi, say) become Python warnings.
std::string picture(const Symbol& symbol, OutputFormat format, const dexmora::RenderSettings& settings) {
  std::optional<dexmora::Expected<dexmora::Rendering>> rendering;
  {
    py::gil_scoped_release unlocked;
    rendering.emplace(dexmora::render(symbol, format, settings));
  }
  if (!*rendering) raiseError(rendering->error());
  warnNotices((*rendering)->notices);
  return std::move((*rendering)->bytes);
}

py::bytes binaryPicture(const Symbol& symbol, OutputFormat format, const py::args& args, const py::kwargs& kwargs,
                        const char* function) {
  return py::bytes(picture(symbol, format, renderSettings(args, kwargs, function)));
}

py::str textPicture(const Symbol& symbol, OutputFormat format, const py::args& args, const py::kwargs& kwargs,
                    const char* function) {
  return py::str(picture(symbol, format, renderSettings(args, kwargs, function)));
}

std::string dataUri(std::string_view mediaType, const std::string& bytes) {
  const py::object base64 =
      py::module_::import("binascii").attr("b2a_base64")(py::bytes(bytes), py::arg("newline") = false);
  return "data:" + std::string(mediaType) + ";base64," + base64.cast<std::string>();
}

bool isFileObject(py::handle target) {
  return !PyUnicode_Check(target.ptr()) && !PyBytes_Check(target.ptr()) && !py::hasattr(target, "__fspath__") &&
         py::hasattr(target, "write");
}

void saveToPath(const Symbol& symbol, py::handle target, const dexmora::OptionSet& options) {
  const std::string path = systemPath(target);
  const dexmora::Expected<OutputFormat> format = dexmora::formatForPath(path, options.format());
  if (!format) raiseError(format.error());
  writeToPath(target, path, picture(symbol, *format, options.renderSettings()));
}

[[noreturn]] void raiseBlocked(size_t written, size_t size) {
  const std::string message = "the file object took " + std::to_string(written) + " of " + std::to_string(size) +
                              " bytes and no more without blocking";
  PyErr_SetObject(PyExc_BlockingIOError,
                  py::handle(PyExc_BlockingIOError)(EAGAIN, message, written).ptr());
  throw py::error_already_set();
}

// As a buffered writer drives a raw file: write() may take part of the
// bytes and is called again for the rest; None or 0 means it could take
// nothing now (a full non-blocking file), which raises BlockingIOError with
// characters_written, the bytes it did take.
void writeAll(py::handle target, const py::bytes& bytes) {
  const py::object write = target.attr("write");
  const size_t size = static_cast<size_t>(PyBytes_GET_SIZE(bytes.ptr()));
  const py::memoryview view(bytes);
  size_t written = 0;
  while (written < size) {
    py::object result;
    try {
      // The whole bytes object first, as most writers take it at once; then what is left, without a copy.
      result = written == 0 ? write(bytes) : write(view[py::slice(written, size, 1)]);
    } catch (py::error_already_set& error) {
      if (written > 0 && error.matches(PyExc_BlockingIOError)) {
        const py::object raised = error.value();
        const size_t before = py::getattr(raised, "characters_written", py::int_(0)).cast<size_t>();
        raised.attr("characters_written") = py::int_(written + before);
      }
      throw;
    }
    if (result.is_none()) raiseBlocked(written, size);
    const py::object count = py::reinterpret_steal<py::object>(PyNumber_Index(result.ptr()));
    if (!count) throw py::error_already_set();
    const long long taken = PyLong_AsLongLong(count.ptr());
    if (taken == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (taken < 0 || static_cast<unsigned long long>(taken) > size - written) {
      PyErr_SetString(PyExc_OSError, ("the file object's write() returned " + std::to_string(taken) +
                                      " (should have been between 0 and " + std::to_string(size - written) + ")")
                                         .c_str());
      throw py::error_already_set();
    }
    if (taken == 0) raiseBlocked(written, size);
    written += static_cast<size_t>(taken);
  }
}

void saveToFile(const Symbol& symbol, py::handle target, const dexmora::OptionSet& options) {
  if (py::isinstance(target, py::module_::import("io").attr("TextIOBase"))) {
    throw py::type_error("save() writes bytes: open the file in binary mode ('wb')");
  }
  std::optional<OutputFormat> format = options.format();
  if (!format) {
    // A file's own name, when it has one, says the format as a path would.
    const py::object name = py::getattr(target, "name", py::none());
    std::string path;
    if (PyUnicode_Check(name.ptr())) path = name.cast<std::string>();
    const dexmora::Expected<OutputFormat> named = dexmora::formatForPath(path, std::nullopt);
    if (!named) raiseError(named.error());
    format = *named;
  }
  writeAll(target, py::bytes(picture(symbol, *format, options.renderSettings())));
}

void save(const Symbol& symbol, py::handle target, py::handle format, const py::kwargs& kwargs) {
  dexmora::OptionSet options;
  setOption(options, "format", format, "save");
  applyKeywords(options, kwargs, OptionGroup::Render, "save");
  finishOptions(options);
  if (isFileObject(target)) {
    saveToFile(symbol, target, options);
  } else {
    saveToPath(symbol, target, options);
  }
}

py::object toPil(const Symbol& symbol, const py::args& args, const py::kwargs& kwargs) {
  py::object image;
  try {
    image = py::module_::import("PIL.Image");
  } catch (py::error_already_set& error) {
    if (!error.matches(PyExc_ImportError)) throw;
    py::raise_from(error, PyExc_ImportError,
                   "Symbol.to_pil() needs Pillow, which is not installed: apt-get install python3-pil "
                   "(or pip install Pillow); png() gives the same picture as bytes");
    throw py::error_already_set();
  }
  const py::bytes png = binaryPicture(symbol, OutputFormat::Png, args, kwargs, "to_pil");
  py::object picture = image.attr("open")(py::module_::import("io").attr("BytesIO")(png));
  picture.attr("load")();
  return picture;
}

std::string repr(const Symbol& symbol) {
  return "<dexmora.Symbol " + dexmora::sizeName(symbol) + ", " + std::to_string(symbol.dataLength()) + " of " +
         std::to_string(symbol.capacity()) + " data codewords>";
}

}  // namespace

void addSymbol(py::module_& module) {
  py::class_<Symbol>(module, "Symbol", py::buffer_protocol(), doc::kSymbol)
      .def_property_readonly("rows", &Symbol::rows, doc::kRows)
      .def_property_readonly("cols", &Symbol::cols, doc::kCols)
      .def_property_readonly(
          "size", [](const Symbol& symbol) { return dexmora::sizeName(symbol); }, doc::kSize)
      .def_property_readonly(
          "codewords",
          [](const Symbol& symbol) {
            const std::vector<uint8_t>& codewords = symbol.codewords();
            return py::bytes(reinterpret_cast<const char*>(codewords.data()), codewords.size());
          },
          doc::kCodewords)
      .def_property_readonly("data_length", &Symbol::dataLength, doc::kDataLength)
      .def_property_readonly("capacity", &Symbol::capacity, doc::kCapacity)
      .def_property_readonly(
          "notices", [](const Symbol& symbol) { return noticeList(symbol.notices()); }, doc::kNotices)
      .def("is_dark", &Symbol::isDark, py::arg("x"), py::arg("y"), doc::kIsDark)
      // Read-only and without a copy: the exporter keeps this Symbol alive
      // for as long as any view of its modules exists.
      .def_buffer([](Symbol& symbol) {
        const py::ssize_t rows = symbol.rows();
        const py::ssize_t cols = symbol.cols();
        return py::buffer_info(const_cast<uint8_t*>(symbol.modules().data()), py::ssize_t{1}, "B", py::ssize_t{2},
                               {rows, cols}, {cols, py::ssize_t{1}}, true);
      })
      .def("__repr__", &repr)
      .def(
          "png",
          [](const Symbol& symbol, const py::args& args, const py::kwargs& kwargs) {
            return binaryPicture(symbol, OutputFormat::Png, args, kwargs, "png");
          },
          doc::kPng)
      .def(
          "svg",
          [](const Symbol& symbol, const py::args& args, const py::kwargs& kwargs) {
            return textPicture(symbol, OutputFormat::Svg, args, kwargs, "svg");
          },
          doc::kSvg)
      .def(
          "pdf",
          [](const Symbol& symbol, const py::args& args, const py::kwargs& kwargs) {
            return binaryPicture(symbol, OutputFormat::Pdf, args, kwargs, "pdf");
          },
          doc::kPdf)
      .def(
          "eps",
          [](const Symbol& symbol, const py::args& args, const py::kwargs& kwargs) {
            return textPicture(symbol, OutputFormat::Eps, args, kwargs, "eps");
          },
          doc::kEps)
      .def(
          "text",
          [](const Symbol& symbol, py::handle invert, py::handle quietZone) {
            dexmora::OptionSet options;
            setOption(options, "invert", invert, "text");
            setOption(options, "quiet-zone", quietZone, "text");
            finishOptions(options);
            return py::str(picture(symbol, OutputFormat::Txt, options.renderSettings()));
          },
          py::arg("invert") = false, py::kw_only(), py::arg("quiet_zone") = py::none(), doc::kText)
      .def("save", &save, py::arg("target"), py::arg("format") = py::none(), doc::kSave)
      .def(
          "svg_data_uri",
          [](const Symbol& symbol, const py::args& args, const py::kwargs& kwargs) {
            return dataUri("image/svg+xml", picture(symbol, OutputFormat::Svg,
                                                     renderSettings(args, kwargs, "svg_data_uri")));
          },
          doc::kSvgDataUri)
      .def(
          "png_data_uri",
          [](const Symbol& symbol, const py::args& args, const py::kwargs& kwargs) {
            return dataUri("image/png", picture(symbol, OutputFormat::Png,
                                                 renderSettings(args, kwargs, "png_data_uri")));
          },
          doc::kPngDataUri)
      .def(
          "_repr_svg_",
          [](const Symbol& symbol) { return py::str(picture(symbol, OutputFormat::Svg, {})); },
          doc::kReprSvg)
      .def(
          "_repr_png_",
          [](const Symbol& symbol) { return py::bytes(picture(symbol, OutputFormat::Png, {})); },
          doc::kReprPng)
      .def("to_pil", &toPil, doc::kToPil);
}

}  // namespace dexmora_python
