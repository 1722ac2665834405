#pragma once

/// @file
/// Errors as values: every fallible call returns an Expected that holds its
/// result or the Error that stopped it. The library never prints and never
/// ends the process.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include <dexmora/export.h>

namespace dexmora {

namespace detail {
struct ErrorAccess;
}

/// What went wrong, grouped by the layer that says so. Each value has a
/// stable name (see errorName()) that services and bindings pass on.
enum class ErrorCode : uint8_t {
  // Options, from the option parsers and checks of every layer.
  BadOption,        ///< "bad_option": an option's value or a combination of options is invalid
  // Encoding: text to symbol.
  EmptyText,        ///< "empty_text": there is no text to encode
  TooLong,          ///< "too_long": the text does not fit the largest symbol allowed
  NotEncodable,     ///< "not_encodable": the chosen encodation cannot carry these bytes
  BadGs1,           ///< "bad_gs1": the GS1 element strings are malformed or fail validation
  // Rendering: symbol to picture.
  PictureTooLarge,  ///< "picture_too_large": the picture would exceed the limits set
  RenderFailed,     ///< "render_failed": the image library refused to encode the picture
  // Files.
  WriteFailed,      ///< "write_failed": the file could not be written; Error::systemError() says why
  // Verification.
  VerifyMismatch,   ///< "verify_mismatch": the picture does not show the symbol, or reads differently
  // Any layer.
  OutOfMemory,      ///< "out_of_memory"
};

/// The stable snake_case name of `code`, e.g. "too_long".
DEXMORA_EXPORT std::string_view errorName(ErrorCode code);

/// How a front end writes an option's key in its messages: given the
/// library's key ("exact-size"), its own spelling ("--exact-size" on a
/// command line, "exact_size" for a Python keyword).
using KeySpelling = std::string (*)(std::string_view key);

/// One failure: what went wrong, the option at fault and the value refused
/// (when there are), a one-line message and, for a failed system call, the
/// errno value. An immutable value, cheap to copy.
class DEXMORA_EXPORT Error {
 public:
  /// A failure with a message that names no option; `systemError` is an
  /// errno value or 0.
  Error(ErrorCode code, std::string message, int systemError = 0);
  /// A copy of `other`.
  Error(const Error& other);
  /// `other`'s failure.
  Error& operator=(const Error& other);
  ~Error();

  /// What went wrong.
  ErrorCode code() const;
  /// The option at fault as the library names it ("size"), empty when none is.
  const std::string& key() const;
  /// The value refused, as it was given, empty when none was.
  const std::string& value() const;
  /// What is wrong with the value or what to do ("use auto, a square side or
  /// RxC"); the whole message when the error is not about one value.
  std::string detail() const;
  /// The message, one line, options named by the library's keys
  /// ("exact-size needs a size: add size").
  std::string message() const;
  /// The message with every option's key written by `spell`.
  std::string message(KeySpelling spell) const;
  /// The errno of the failed system call behind a WriteFailed error, else 0.
  int systemError() const;

 private:
  friend struct detail::ErrorAccess;
  struct Data;
  explicit Error(std::shared_ptr<const Data> data);
  std::shared_ptr<const Data> m_data;
};

/// Thrown by Expected::value() and Expected::error() when asked for what is not there.
class BadExpectedAccess : public std::logic_error {
 public:
  /// `what` says which access it was.
  explicit BadExpectedAccess(const char* what) : std::logic_error(what) {}
};

/// A value of type T or the Error that stopped it.
template <typename T>
class Expected {
 public:
  /// A success holding `value`.
  Expected(T value) : m_state(std::in_place_index<0>, std::move(value)) {}    // NOLINT: implicit by design
  /// A failure holding `error`.
  Expected(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  /// Whether this holds a value.
  bool ok() const { return m_state.index() == 0; }
  /// ok().
  explicit operator bool() const { return ok(); }

  /// The value; throws BadExpectedAccess when this holds an error.
  const T& value() const& { return std::get<0>(checked(true)); }
  /// The value; throws BadExpectedAccess when this holds an error.
  T& value() & { return std::get<0>(checked(true)); }
  /// The value, moved out; throws BadExpectedAccess when this holds an error.
  T&& value() && { return std::move(std::get<0>(checked(true))); }
  /// &value().
  const T* operator->() const { return &value(); }
  /// &value().
  T* operator->() { return &value(); }
  /// value().
  const T& operator*() const& { return value(); }
  /// value().
  T& operator*() & { return value(); }
  /// The value, moved out; throws BadExpectedAccess when this holds an error.
  T&& operator*() && { return std::move(*this).value(); }
  /// The value, or `fallback` when this holds an error.
  template <typename U>
  T value_or(U&& fallback) const& {
    return ok() ? std::get<0>(m_state) : static_cast<T>(std::forward<U>(fallback));
  }
  /// The value moved out, or `fallback` when this holds an error.
  template <typename U>
  T value_or(U&& fallback) && {
    return ok() ? std::move(std::get<0>(m_state)) : static_cast<T>(std::forward<U>(fallback));
  }
  /// The error; throws BadExpectedAccess when this holds a value.
  const Error& error() const { return std::get<1>(checked(false)); }

 private:
  const std::variant<T, Error>& checked(bool wantValue) const {
    if (ok() != wantValue) throw BadExpectedAccess(wantValue ? "Expected::value() on an error" : "Expected::error() on a value");
    return m_state;
  }
  std::variant<T, Error>& checked(bool wantValue) {
    if (ok() != wantValue) throw BadExpectedAccess(wantValue ? "Expected::value() on an error" : "Expected::error() on a value");
    return m_state;
  }

  std::variant<T, Error> m_state;
};

/// Success without a value, or the Error that stopped it.
template <>
class Expected<void> {
 public:
  /// A success.
  Expected() = default;
  /// A failure holding `error`.
  Expected(Error error) : m_error(std::in_place, std::move(error)) {}  // NOLINT: implicit by design

  /// Whether this is a success.
  bool ok() const { return !m_error.has_value(); }
  /// ok().
  explicit operator bool() const { return ok(); }
  /// Throws BadExpectedAccess when this holds an error.
  void value() const {
    if (!ok()) throw BadExpectedAccess("Expected::value() on an error");
  }
  /// The error; throws BadExpectedAccess on success.
  const Error& error() const {
    if (ok()) throw BadExpectedAccess("Expected::error() on a value");
    return *m_error;
  }

 private:
  std::optional<Error> m_error;
};

}  // namespace dexmora
