#pragma once

// Messages as pieces of text and option keys: the library names an option
// by its key ("exact-size"), and each front end writes keys its own way
// through Error::message(KeySpelling).
#include <dexmora/error.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dexmora_text/quoting.h"

namespace dexmora {

struct MessagePiece {
  std::string text;
  bool isKey = false;
};

class Message {
 public:
  Message() = default;
  explicit Message(std::string text) { *this += text; }

  Message& operator+=(std::string_view text) {
    if (text.empty()) return *this;
    if (!m_pieces.empty() && !m_pieces.back().isKey) {
      m_pieces.back().text += text;
    } else {
      m_pieces.push_back({std::string(text), false});
    }
    return *this;
  }
  Message& operator+=(const Message& more) {
    for (const MessagePiece& piece : more.m_pieces) {
      if (piece.isKey) {
        m_pieces.push_back(piece);
      } else {
        *this += piece.text;
      }
    }
    return *this;
  }
  friend Message operator+(Message a, const Message& b) { return std::move(a += b); }
  friend Message operator+(Message a, std::string_view b) { return std::move(a += b); }
  friend Message operator+(std::string_view a, const Message& b) { return Message(std::string(a)) += b; }

  static Message key(std::string_view key) {
    Message message;
    message.m_pieces.push_back({std::string(key), true});
    return message;
  }

  const std::vector<MessagePiece>& pieces() const { return m_pieces; }
  // The key this message is, when it is nothing but one key.
  std::string onlyKey() const { return m_pieces.size() == 1 && m_pieces[0].isKey ? m_pieces[0].text : std::string(); }

 private:
  std::vector<MessagePiece> m_pieces;
};

// Option `key` inside a message.
inline Message optionKey(std::string_view key) { return Message::key(key); }

// What core and render build their errors with.
struct ErrorParts {
  ErrorCode code;
  Message message;
  std::string key;    // the option at fault
  std::string value;  // the value refused
  Message detail;     // empty: the message itself
  int systemError = 0;
};

namespace detail {
struct ErrorAccess {
  static Error make(ErrorParts parts);
  // `error` with its option and value named, unless it names them already.
  static Error about(const Error& error, std::string_view key, std::string_view value);
};
}  // namespace detail

inline Error makeError(ErrorCode code, Message message) {
  return detail::ErrorAccess::make({code, std::move(message), {}, {}, {}, 0});
}

// "bad WHAT 'TEXT': ADVICE" as BadOption; `what` is a noun ("size") or an
// option's key.
Error badValue(const Message& what, std::string_view text, std::string_view advice);

}  // namespace dexmora
