#include "keywords.h"

#include <string>
#include <vector>

#include "dexmora_text/quoting.h"
#include "errors.h"

namespace py = pybind11;

namespace dexmora_python {

namespace {

std::vector<std::string_view> libraryKeys() {
  std::vector<std::string_view> keys;
  for (const dexmora::OptionInfo& option : dexmora::optionTable()) keys.push_back(option.key);
  return keys;
}

// The Python types each option takes, and how they become its text.
enum class ValueKind : uint8_t {
  Switch,    // bool (or int, which the library's switch parser checks)
  Number,    // int or its text
  Name,      // str only: encodation, shape, colours, format ...
  Macro,     // 5, 6 or "05", "06"
  Sequence,  // structured append: (position, count[, id]) or its text
  Length,    // the X-dimension: a number of millimetres or a text with its unit
};

ValueKind kindOf(const dexmora::OptionInfo& info) {
  if (info.isSwitch) return ValueKind::Switch;
  const std::string_view key = info.key;
  if (key == "macro") return ValueKind::Macro;
  if (key == "structured-append") return ValueKind::Sequence;
  if (key == "xdim") return ValueKind::Length;
  if (key == "size" || key == "eci" || key == "module" || key == "dpi" || key == "quiet-zone") return ValueKind::Number;
  return ValueKind::Name;
}

std::string_view expectedTypes(ValueKind kind) {
  switch (kind) {
    case ValueKind::Switch: return "bool";
    case ValueKind::Number: return "int or str";
    case ValueKind::Name: return "str";
    case ValueKind::Macro: return "int (5 or 6) or str";
    case ValueKind::Sequence: return "a tuple (position, count) or (position, count, id), or str";
    case ValueKind::Length: return "a number of millimetres or str such as '0.5mm'";
  }
  return "";
}

// Any integer, numpy's included (__index__), but not a bool.
bool isInt(py::handle value) { return PyIndex_Check(value.ptr()) && !PyBool_Check(value.ptr()); }

std::string decimal(py::handle value) {
  const py::object number = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
  if (!number) throw py::error_already_set();
  return py::repr(number).cast<std::string>();
}

// `value` as the option's text; empty optional when its Python type is wrong.
std::optional<std::string> textOf(ValueKind kind, py::handle value) {
  if (PyUnicode_Check(value.ptr()) && kind != ValueKind::Switch) return value.cast<std::string>();
  switch (kind) {
    case ValueKind::Switch:
      if (PyBool_Check(value.ptr())) return std::string(value.ptr() == Py_True ? "1" : "0");
      if (isInt(value)) return decimal(value);
      return std::nullopt;
    case ValueKind::Number:
      if (isInt(value)) return decimal(value);
      return std::nullopt;
    case ValueKind::Name: return std::nullopt;
    case ValueKind::Macro:
      if (!isInt(value)) return std::nullopt;
      // The header's own names: Macro 05 and Macro 06.
      if (const std::string number = decimal(value); number == "5" || number == "6") return "0" + number;
      return decimal(value);
    case ValueKind::Sequence: {
      if (!PyTuple_Check(value.ptr()) && !PyList_Check(value.ptr())) return std::nullopt;
      std::string text;
      for (py::handle item : value) {
        if (!isInt(item)) return std::nullopt;
        text += (text.empty() ? "" : ",") + decimal(item);
      }
      return text;
    }
    case ValueKind::Length:
      // repr() is the shortest text that reads back as the same float.
      if (isInt(value)) return decimal(value) + "mm";
      if (PyFloat_Check(value.ptr())) {
        const py::float_ number(py::reinterpret_borrow<py::object>(value));  // numpy's float64 as a float
        return py::repr(number).cast<std::string>() + "mm";
      }
      return std::nullopt;
  }
  return std::nullopt;
}

// The rendering options a sheet's symbols take; the others size a picture
// in pixels, which a sheet has none of.
bool sheetRenders(std::string_view key) {
  return key == "xdim" || key == "quiet-zone" || key == "fg" || key == "bg" || key == "invert";
}

bool inGroup(const dexmora::OptionInfo& info, OptionGroup group) {
  const bool format = info.key == "format";
  switch (group) {
    case OptionGroup::Encode: return !info.rendering && !format;
    case OptionGroup::Render: return info.rendering;
    case OptionGroup::Save: return info.rendering || format;
    case OptionGroup::Sheet: return (!info.rendering && !format) || sheetRenders(info.key);
  }
  return false;
}

[[noreturn]] void raiseUnexpected(const char* function, const std::string& keyword, OptionGroup group) {
  std::string key = keyword;
  for (char& c : key)
    if (c == '_') c = '-';
  std::string message = std::string(function) + "() got an unexpected keyword argument '" + keyword + "'";
  const dexmora::OptionInfo* info = dexmora::findOption(key);
  if (info != nullptr && keyword.find('-') != std::string::npos && inGroup(*info, group)) {
    message += "; did you mean '" + pythonKeyword(key) + "'?";
  } else if (info != nullptr) {
    message += info->rendering ? "; it is a rendering option: give it to png(), svg(), pdf(), eps() or save()"
               : inGroup(*info, OptionGroup::Save) ? "; give it to save()"
                                                    : "; it is an encoding option: give it to encode()";
  } else if (const std::string_view near = dexmora::nearestWord(key, libraryKeys());
             !near.empty() && inGroup(*dexmora::findOption(near), group)) {
    message += "; did you mean '" + pythonKeyword(near) + "'?";
  }
  throw py::type_error(message);
}

}  // namespace

void raiseWrongType(const char* function, std::string_view name, std::string_view expected, py::handle value) {
  throw py::type_error(std::string(function) + "() argument '" + std::string(name) + "' must be " +
                       std::string(expected) + ", not " + std::string(Py_TYPE(value.ptr())->tp_name));
}

void setOption(dexmora::OptionSet& options, std::string_view key, py::handle value, const char* function) {
  if (value.is_none()) return;
  const dexmora::OptionInfo* info = dexmora::findOption(key);
  const ValueKind kind = kindOf(*info);
  const std::optional<std::string> text = textOf(kind, value);
  if (!text) raiseWrongType(function, pythonKeyword(key), expectedTypes(kind), value);
  if (const dexmora::Expected<void> set = options.set(key, *text); !set) raiseError(set.error());
}

void applyKeywords(dexmora::OptionSet& options, const py::dict& keywords, OptionGroup group, const char* function) {
  for (const auto& [name, value] : keywords) {
    const std::string keyword = name.cast<std::string>();
    std::string key = keyword;
    for (char& c : key)
      if (c == '_') c = '-';
    // Python spells every key with underscores; the dashed form is the command line's.
    const dexmora::OptionInfo* info = keyword.find('-') == std::string::npos ? dexmora::findOption(key) : nullptr;
    if (info == nullptr || !inGroup(*info, group)) raiseUnexpected(function, keyword, group);
    setOption(options, key, value, function);
  }
}

void finishOptions(dexmora::OptionSet& options) {
  if (const dexmora::Expected<void> finished = options.finish(); !finished) raiseError(finished.error());
}

void finishCallOptions(CallOptions& options, bool anyNonAscii) {
  options.eciGiven = options.plain.given("eci") || options.plain.given("utf8");
  if (anyNonAscii && !options.eciGiven) {
    options.unicode = options.plain;
    options.unicode.set("utf8", "1").value();
    finishOptions(options.unicode);
  }
  finishOptions(options.plain);
}

}  // namespace dexmora_python
