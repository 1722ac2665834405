#include "server/symbol_facts.h"

#include "server/json.h"

namespace dexmora::serve {

namespace {

bool isLowerAlpha(char c) { return c >= 'a' && c <= 'z'; }

// An RFC 8941 key: lower case letters, digits, "_", "-", ".", "*", starting
// with a letter or "*". Capitals are lowered, anything else is written as "_".
std::string structuredKey(std::string_view name) {
  std::string key;
  for (char c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    const bool allowed = isLowerAlpha(c) || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.' || c == '*';
    key += allowed ? c : '_';
  }
  if (key.empty() || !(isLowerAlpha(key[0]) || key[0] == '*')) key.insert(key.begin(), 'x');
  return key;
}

// An RFC 8941 string holds printable ASCII only, with " and \ escaped.
std::string structuredString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c >= 0x20 && c < 0x7f ? c : '?';
  }
  return out + "\"";
}

void addNotices(std::vector<NoticeFields>& fields, const std::vector<Notice>& notices) {
  for (const Notice& notice : notices) fields.push_back({std::string(notice.name()), notice.figures(), notice.message()});
}

}  // namespace

std::string noticeHeaderValue(const std::vector<NoticeFields>& notices) {
  std::string value;
  for (const NoticeFields& notice : notices) {
    if (!value.empty()) value += ", ";
    value += structuredKey(notice.name);
    for (const auto& [name, figure] : notice.figures) value += ";" + structuredKey(name) + "=" + structuredString(figure);
  }
  return value;
}

std::string noticesJson(const std::vector<NoticeFields>& notices) {
  std::string out = "[";
  for (const NoticeFields& notice : notices) {
    out += out.size() > 1 ? ", {\"name\": " : "{\"name\": ";
    appendJsonString(out, notice.name);
    for (const auto& [name, figure] : notice.figures) {
      out += ", ";
      appendJsonString(out, name);
      out += ": ";
      appendJsonString(out, figure);
    }
    out += ", \"message\": ";
    appendJsonString(out, notice.message);
    out += "}";
  }
  return out + "]";
}

SymbolFacts symbolFacts(const Symbol& symbol, const std::vector<Notice>& rendered) {
  std::vector<NoticeFields> notices;
  addNotices(notices, symbol.notices());
  addNotices(notices, rendered);
  return {sizeName(symbol), noticeHeaderValue(notices), noticesJson(notices)};
}

}  // namespace dexmora::serve
