#pragma once

/// @file
/// Errors as values: every fallible call returns an Expected that holds its
/// result or the Error that stopped it. The library never prints and never
/// ends the process.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

namespace dexmora {

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
std::string_view errorName(ErrorCode code);

/// How a front end spells an option's key in messages: the key
/// "exact-size" is "--exact-size" on the command line, "exact-size" in a
/// query string and "exact_size" in Python.
enum class Spelling : uint8_t { CommandLine, Query, Python };

/// `key` as `spelling` writes it.
std::string spellOption(std::string_view key, Spelling spelling);

/// `text` with control bytes (0-31, 127, the C1 controls), invalid UTF-8 and
/// the bidirectional controls (U+202E, ...) shown as C-style escapes (a
/// newline as backslash-n, any other byte as backslash-x and two hex digits)
/// and a backslash doubled, so that a value quoted in a message can neither
/// break the line nor steer a terminal.
std::string escapeControlBytes(std::string_view text);

/// `text` escaped and in single quotes: how every message quotes a value or path.
std::string quoted(std::string_view text);

/// One failure: its code, a one-line message and, for a failed system call,
/// the errno value.
class Error {
 public:
  /// `message` may name options through optionRef() so that each front end
  /// spells them its own way; `systemError` is an errno value or 0.
  Error(ErrorCode code, std::string message, int systemError = 0)
      : m_code(code), m_message(std::move(message)), m_systemError(systemError) {}

  /// What went wrong.
  ErrorCode code() const { return m_code; }
  /// The message with option names spelled for `spelling`.
  std::string message(Spelling spelling = Spelling::CommandLine) const;
  /// The errno of the failed system call behind a WriteFailed error, else 0.
  int systemError() const { return m_systemError; }

 private:
  ErrorCode m_code;
  std::string m_message;
  int m_systemError;
};

/// A reference to option `key` inside an Error's message, spelled by Error::message().
std::string optionRef(std::string_view key);

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
