#include "errors.h"

#include <cstring>

#include "dexmora_frontend/key_spelling.h"

namespace py = pybind11;

namespace dexmora_python {

namespace {

// One class for each code a caller tells apart; the rest are dexmora.Error.
enum ExceptionClass : uint8_t { Base, TooLong, NotEncodable, Gs1, Option, PictureTooLarge, Write, ClassCount };

// Made once when the module is imported and never released: the module and
// every exception raised refer to them until the interpreter ends.
PyObject* g_classes[ClassCount] = {};

struct ClassInfo {
  ExceptionClass id;
  const char* name;
  const char* doc;
};

const ClassInfo kClasses[] = {
    {Base, "Error",
     "A value dexmora refuses (a ValueError). `code` is the library's stable error name:\n"
     "'bad_option', 'too_long', 'not_encodable', 'bad_gs1', 'picture_too_large',\n"
     "'render_failed', 'write_failed'. encode_many() also sets `index`, the failed item."},
    {TooLong, "TooLongError", "The data do not fit the largest symbol allowed (code 'too_long')."},
    {NotEncodable, "NotEncodableError", "The chosen encodation cannot carry these bytes (code 'not_encodable')."},
    {Gs1, "GS1Error", "The GS1 element strings are malformed or fail validation (code 'bad_gs1')."},
    {Option, "OptionError", "An option's value, or a combination of options, is invalid (code 'bad_option')."},
    {PictureTooLarge, "PictureTooLargeError",
     "The picture would exceed the library's size limits (code 'picture_too_large')."},
    {Write, "WriteError",
     "save() could not write the file (code 'write_failed'); also an OSError with errno,\n"
     "strerror and filename set. Nothing is left behind: the old file, if any, is kept."},
};

ExceptionClass classOf(dexmora::ErrorCode code) {
  switch (code) {
    case dexmora::ErrorCode::BadOption: return Option;
    case dexmora::ErrorCode::TooLong: return TooLong;
    case dexmora::ErrorCode::NotEncodable: return NotEncodable;
    case dexmora::ErrorCode::BadGs1: return Gs1;
    case dexmora::ErrorCode::PictureTooLarge: return PictureTooLarge;
    case dexmora::ErrorCode::WriteFailed: return Write;
    default: return Base;
  }
}

[[noreturn]] void raise(PyObject* type, dexmora::ErrorCode code, const std::string& message,
                        const ErrorContext& context, int systemError) {
  const std::string text = context.index ? "item " + std::to_string(*context.index) + ": " + message : message;
  // The library escapes what it quotes, so the message is UTF-8; "replace" only guards that promise.
  const py::object pyText = py::reinterpret_steal<py::object>(
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
  if (!pyText) throw py::error_already_set();
  py::object exception = py::handle(type)(pyText);
  exception.attr("code") = py::str(std::string(dexmora::errorName(code)));
  if (context.index) exception.attr("index") = *context.index;
  if (type == g_classes[Write]) {
    exception.attr("errno") = systemError != 0 ? py::object(py::int_(systemError)) : py::none();
    exception.attr("strerror") = systemError != 0 ? py::object(py::str(std::strerror(systemError))) : py::none();
    exception.attr("filename") = context.filename ? context.filename : py::none();
  }
  PyErr_SetObject(type, exception.ptr());
  throw py::error_already_set();
}

}  // namespace

void addExceptions(py::module_& module) {
  for (const ClassInfo& info : kClasses) {
    py::object bases;
    if (info.id == Base) {
      bases = py::reinterpret_borrow<py::object>(PyExc_ValueError);
    } else if (info.id == Write) {
      bases = py::make_tuple(py::handle(g_classes[Base]), py::handle(PyExc_OSError));
    } else {
      bases = py::reinterpret_borrow<py::object>(g_classes[Base]);
    }
    // WriteError keeps the library's message: OSError's own str() would
    // show only the errno's text and the file name.
    py::dict members;
    if (info.id == Write) members["__str__"] = py::handle(PyExc_BaseException).attr("__str__");
    const std::string qualified = std::string("dexmora.") + info.name;
    PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), info.doc, bases.ptr(), members.ptr());
    if (type == nullptr) throw py::error_already_set();
    g_classes[info.id] = type;
    module.attr(info.name) = py::handle(type);
  }
}

void raiseError(const dexmora::Error& error, const ErrorContext& context) {
  PyObject* type =
      error.code() == dexmora::ErrorCode::OutOfMemory ? PyExc_MemoryError : g_classes[classOf(error.code())];
  raise(type, error.code(), error.message(dexmora::pythonKeyword), context, error.systemError());
}

void raiseOptionError(const std::string& message, const ErrorContext& context) {
  raise(g_classes[Option], dexmora::ErrorCode::BadOption, message, context, 0);
}

}  // namespace dexmora_python
