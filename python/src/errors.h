#pragma once

// The library's errors as Python exceptions: dexmora.Error, a ValueError
// whose `code` is the library's stable error name, one subclass per code a
// caller may want to catch alone, MemoryError for exhausted memory. Messages
// are the library's, with options spelled as Python keywords.

#include <pybind11/pybind11.h>

#include <cstddef>
#include <optional>
#include <string>

#include <dexmora/error.h>

namespace dexmora_python {

// Creates the exception classes as attributes of `module`.
void addExceptions(pybind11::module_& module);

// Where an error happened, when the library's message does not say.
struct ErrorContext {
  std::optional<size_t> index;  // the item of encode_many() that failed
  pybind11::object filename;    // the target save() was given, as given: WriteError.filename
};

// Raises the exception for `error` (sets it and throws error_already_set).
[[noreturn]] void raiseError(const dexmora::Error& error, const ErrorContext& context = {});

// Raises dexmora.OptionError with `message`: the bindings' own checks.
[[noreturn]] void raiseOptionError(const std::string& message, const ErrorContext& context = {});

}  // namespace dexmora_python
