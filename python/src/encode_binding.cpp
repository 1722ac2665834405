#include "encode_binding.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <dexmora/encode.h>

#include "docstrings.h"
#include "errors.h"
#include "keywords.h"
#include "notices.h"

namespace py = pybind11;

namespace dexmora_python {

namespace {

// The bytes to encode. A str's UTF-8 and a bytes object's contents belong
// to immutable objects the caller keeps alive, so they are read in place,
// without the GIL; anything else with the buffer protocol is copied, since
// its owner may change it meanwhile.
struct Data {
  const char* bytes = nullptr;  // in place, or null when copied
  size_t size = 0;
  std::string copy;
  bool text = false;      // given as str, encoded as UTF-8
  bool nonAscii = false;  // a str with characters beyond ASCII

  std::string_view view() const { return bytes != nullptr ? std::string_view(bytes, size) : copy; }
};

Data dataOf(py::handle value, const std::string& function, const std::string& what) {
  Data data;
  PyObject* object = value.ptr();
  if (PyUnicode_Check(object)) {
    Py_ssize_t size = 0;
    data.bytes = PyUnicode_AsUTF8AndSize(object, &size);
    if (data.bytes == nullptr) throw py::error_already_set();
    data.size = static_cast<size_t>(size);
    data.text = true;
    data.nonAscii = !PyUnicode_IS_ASCII(object);
  } else if (PyBytes_Check(object)) {
    data.bytes = PyBytes_AS_STRING(object);
    data.size = static_cast<size_t>(PyBytes_GET_SIZE(object));
  } else if (PyObject_CheckBuffer(object)) {
    Py_buffer view;
    if (PyObject_GetBuffer(object, &view, PyBUF_SIMPLE) != 0) throw py::error_already_set();
    data.copy.assign(static_cast<const char*>(view.buf), static_cast<size_t>(view.len));
    PyBuffer_Release(&view);
  } else {
    throw py::type_error(function + "() " + what + " must be str or bytes, not " + Py_TYPE(object)->tp_name);
  }
  return data;
}

CallOptions callOptions(const py::dict& keywords, const char* function, bool anyNonAscii) {
  CallOptions options;
  applyKeywords(options.plain, keywords, OptionGroup::Encode, function);
  finishCallOptions(options, anyNonAscii);
  return options;
}

const dexmora::EncodeOptions& optionsFor(const CallOptions& options, const Data& data, const ErrorContext& context) {
  const bool unicode = data.nonAscii && !options.eciGiven;
  const dexmora::EncodeOptions& chosen = unicode ? options.unicode.encodeOptions() : options.plain.encodeOptions();
  // A str is always encoded as UTF-8, so another character set's designator would lie about it.
  if (data.text && chosen.eci() && *chosen.eci() != 26) {
    raiseOptionError(pythonKeyword("eci") + " " + std::to_string(*chosen.eci()) +
                         " says the data are in another character set than UTF-8: give them as bytes in that "
                         "character set (a str is encoded as UTF-8, which is ECI 26)",
                     context);
  }
  return chosen;
}

dexmora::Symbol encodeOne(const Data& data, const dexmora::EncodeOptions& options, const ErrorContext& context) {
  std::optional<dexmora::Expected<dexmora::Symbol>> symbol;
  {
    py::gil_scoped_release unlocked;
    symbol.emplace(dexmora::encode(data.view(), options));
  }
  if (!*symbol) raiseError(symbol->error(), context);
  warnNotices((*symbol)->notices());
  return std::move(**symbol);
}

dexmora::Symbol encode(const py::args& args, const py::kwargs& kwargs) {
  if (args.size() != 1) {
    throw py::type_error("encode() takes exactly 1 positional argument (data), " + std::to_string(args.size()) +
                         " given");
  }
  const Data data = dataOf(args[0], "encode", "argument 'data'");
  // No keyword and nothing to add: the library's defaults, which are what an
  // empty OptionSet gives, without parsing and checking them once more.
  if (kwargs.empty() && !data.nonAscii) return encodeOne(data, dexmora::EncodeOptions{}, {});
  const CallOptions options = callOptions(kwargs, "encode", data.nonAscii);
  return encodeOne(data, optionsFor(options, data, {}), {});
}

// Symbols, or the lowest index that failed and its error.
struct Batch {
  std::vector<std::optional<dexmora::Expected<dexmora::Symbol>>> results;
  std::atomic<size_t> firstFailure;

  explicit Batch(size_t count) : results(count), firstFailure(count) {}
};

// Items are claimed in order, so once one fails every item before it is
// already claimed and will finish: the first failure is always found, and
// no item after it is started once it is known.
void work(Batch& batch, const std::vector<Data>& items, const std::vector<const dexmora::EncodeOptions*>& options,
          std::atomic<size_t>& next) {
  for (;;) {
    const size_t index = next.fetch_add(1);
    if (index >= items.size() || index > batch.firstFailure.load()) return;
    try {
      batch.results[index].emplace(dexmora::encode(items[index].view(), *options[index]));
    } catch (const std::bad_alloc&) {
      batch.results[index].emplace(dexmora::Error(dexmora::ErrorCode::OutOfMemory, "out of memory"));
    }
    if (!*batch.results[index]) {
      size_t failed = batch.firstFailure.load();
      while (index < failed && !batch.firstFailure.compare_exchange_weak(failed, index)) {
      }
    }
  }
}

void runPool(Batch& batch, const std::vector<Data>& items, const std::vector<const dexmora::EncodeOptions*>& options,
             size_t threads) {
  std::atomic<size_t> next{0};
  std::vector<std::thread> pool;
  try {
    for (size_t i = 1; i < threads; ++i) pool.emplace_back([&] { work(batch, items, options, next); });
  } catch (const std::system_error&) {
    // Fewer threads than asked for still finish the work.
  }
  work(batch, items, options, next);
  for (std::thread& thread : pool) thread.join();
}

constexpr size_t kMaxThreads = 1024;

// The threads asked for, or one per core.
size_t threadCount(py::handle threads) {
  size_t count = std::max(1u, std::thread::hardware_concurrency());
  if (!threads.is_none()) {
    // Any integer, numpy's included (__index__), as every other keyword; not a bool.
    if (!PyIndex_Check(threads.ptr()) || PyBool_Check(threads.ptr())) {
      raiseWrongType("encode_many", "threads", "int", threads);
    }
    const py::object number = py::reinterpret_steal<py::object>(PyNumber_Index(threads.ptr()));
    if (!number) throw py::error_already_set();
    const long long asked = PyLong_AsLongLong(number.ptr());
    if (asked == -1 && PyErr_Occurred()) PyErr_Clear();
    if (asked < 1 || asked > static_cast<long long>(kMaxThreads)) {
      raiseOptionError("bad threads " + py::repr(number).cast<std::string>() + ": use a number of threads from 1 to " +
                       std::to_string(kMaxThreads));
    }
    count = static_cast<size_t>(asked);
  }
  return count;
}

py::list encodeMany(py::handle iterable, const py::kwargs& kwargs) {
  const py::dict keywords = py::reinterpret_steal<py::dict>(PyDict_Copy(kwargs.ptr()));
  size_t threads = threadCount(keywords.contains("threads") ? py::object(keywords["threads"]) : py::none());
  if (keywords.contains("threads")) PyDict_DelItemString(keywords.ptr(), "threads");
  std::vector<py::object> owners;  // keep every item's bytes alive while they are read in place
  std::vector<Data> items;
  bool anyNonAscii = false;
  for (py::handle item : py::iter(iterable)) {
    owners.push_back(py::reinterpret_borrow<py::object>(item));
    items.push_back(dataOf(item, "encode_many", "item " + std::to_string(items.size())));
    anyNonAscii = anyNonAscii || items.back().nonAscii;
  }
  const CallOptions options = callOptions(keywords, "encode_many", anyNonAscii);
  std::vector<const dexmora::EncodeOptions*> itemOptions;
  for (size_t index = 0; index < items.size(); ++index) {
    itemOptions.push_back(&optionsFor(options, items[index], {index, {}}));
  }
  threads = std::min(threads, std::max<size_t>(items.size(), 1));

  Batch batch(items.size());
  {
    py::gil_scoped_release unlocked;
    runPool(batch, items, itemOptions, threads);
  }
  const size_t failed = batch.firstFailure.load();
  if (failed < items.size()) raiseError(batch.results[failed]->error(), {failed, {}});
  py::list symbols(items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    warnNotices((*batch.results[i])->notices(), i);
    symbols[i] = py::cast(std::move(**batch.results[i]));
  }
  return symbols;
}

}  // namespace

void addEncode(py::module_& module) {
  module.def("encode", &encode, doc::kEncode);
  module.def(
      "encode_many", [](py::handle items, const py::kwargs& kwargs) { return encodeMany(items, kwargs); },
      py::arg("items"), py::pos_only(), doc::kEncodeMany);
}

}  // namespace dexmora_python
