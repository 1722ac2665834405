#include <dexmora/error.h>

#include "core/message.h"

namespace dexmora {

struct Error::Data {
  ErrorCode code;
  std::vector<MessagePiece> message;
  std::vector<MessagePiece> detail;  // empty: the message
  std::string key;
  std::string value;
  int systemError = 0;
};

namespace {

std::string spelled(const std::vector<MessagePiece>& pieces, KeySpelling spell) {
  std::string text;
  for (const MessagePiece& piece : pieces) text += piece.isKey && spell ? spell(piece.text) : piece.text;
  return text;
}

}  // namespace

std::string_view errorName(ErrorCode code) {
  switch (code) {
    case ErrorCode::BadOption: return "bad_option";
    case ErrorCode::EmptyText: return "empty_text";
    case ErrorCode::TooLong: return "too_long";
    case ErrorCode::NotEncodable: return "not_encodable";
    case ErrorCode::BadGs1: return "bad_gs1";
    case ErrorCode::PictureTooLarge: return "picture_too_large";
    case ErrorCode::RenderFailed: return "render_failed";
    case ErrorCode::WriteFailed: return "write_failed";
    case ErrorCode::VerifyMismatch: return "verify_mismatch";
    case ErrorCode::OutOfMemory: return "out_of_memory";
  }
  return "unknown";
}

Error::Error(ErrorCode code, std::string message, int systemError)
    : m_data(std::make_shared<const Data>(Data{code, {{std::move(message), false}}, {}, {}, {}, systemError})) {}
Error::Error(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}
Error::Error(const Error& other) = default;
Error& Error::operator=(const Error& other) = default;
Error::~Error() = default;

ErrorCode Error::code() const { return m_data->code; }
const std::string& Error::key() const { return m_data->key; }
const std::string& Error::value() const { return m_data->value; }
std::string Error::detail() const {
  return spelled(m_data->detail.empty() ? m_data->message : m_data->detail, nullptr);
}
std::string Error::message() const { return spelled(m_data->message, nullptr); }
std::string Error::message(KeySpelling spell) const { return spelled(m_data->message, spell); }
int Error::systemError() const { return m_data->systemError; }

Error detail::ErrorAccess::make(ErrorParts parts) {
  return Error(std::make_shared<const Error::Data>(Error::Data{parts.code, parts.message.pieces(), parts.detail.pieces(),
                                                               std::move(parts.key), std::move(parts.value),
                                                               parts.systemError}));
}

Error detail::ErrorAccess::about(const Error& error, std::string_view key, std::string_view value) {
  if (!error.m_data->key.empty()) return error;
  Error::Data data = *error.m_data;
  data.key = key;
  data.value = value;
  return Error(std::make_shared<const Error::Data>(std::move(data)));
}

Error badValue(const Message& what, std::string_view text, std::string_view advice) {
  ErrorParts parts{ErrorCode::BadOption, "bad " + what + " " + quoted(text) + ": " + advice, what.onlyKey(),
                   std::string(text), Message(std::string(advice)), 0};
  return detail::ErrorAccess::make(std::move(parts));
}

}  // namespace dexmora
