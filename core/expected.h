#pragma once

#include <optional>
#include <string>
#include <utility>

namespace dexmora {

// What went wrong, as a value: the core never prints and never ends the process.
enum class ErrorCode {
  TooLong,       // the text does not fit the largest allowed symbol
  NotEncodable,  // the chosen encodation cannot carry these bytes
  BadOption,     // an option or a combination of options is invalid
  BadGs1,        // the GS1 element strings are malformed or fail validation
  OutOfMemory,
  RenderFailed,  // a picture could not be encoded (the image library refused it)
};

struct Error {
  ErrorCode code = ErrorCode::BadOption;
  std::string message;  // one line that names the problem and the input (control bytes escaped)
};

// A value or the error that stopped it.
template <typename T>
class Expected {
 public:
  Expected(T value) : m_value(std::move(value)) {}  // NOLINT: implicit by design
  Expected(Error error) : m_error(std::move(error)) {}  // NOLINT

  bool ok() const { return m_value.has_value(); }
  explicit operator bool() const { return ok(); }
  const T& value() const& { return *m_value; }
  T& value() & { return *m_value; }
  T&& value() && { return std::move(*m_value); }
  const T* operator->() const { return &*m_value; }
  const T& operator*() const& { return *m_value; }
  const Error& error() const { return m_error; }

 private:
  std::optional<T> m_value;
  Error m_error;
};

}  // namespace dexmora
