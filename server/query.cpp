#include "server/query.h"

#include "dexmora_text/quoting.h"

namespace dexmora::serve {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Expected<std::string> percentDecode(std::string_view text, PlusMeans plus) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+' && plus == PlusMeans::Space) {
      out += ' ';
    } else if (c != '%') {
      out += c;
    } else {
      const int h = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
      const int l = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
      if (h < 0 || l < 0) {
        return Error(ErrorCode::BadOption, "bad percent escape " + quoted(text.substr(i, 3)) +
                                               ": a % is followed by two hex digits (write a % as %25)");
      }
      out += static_cast<char>(h * 16 + l);
      i += 2;
    }
  }
  return out;
}

}  // namespace

std::string_view queryOf(std::string_view target) {
  const size_t mark = target.find('?');
  return mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);
}

Expected<std::vector<Parameter>> splitQuery(std::string_view query, PlusMeans plus) {
  std::vector<Parameter> parameters;
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (pair.empty()) continue;
    const size_t equals = pair.find('=');
    Expected<std::string> name = percentDecode(pair.substr(0, equals), plus);
    if (!name) return name.error();
    Expected<std::string> value =
        percentDecode(equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1), plus);
    if (!value) return value.error();
    parameters.push_back(Parameter{std::move(name).value(), std::move(value).value()});
  }
  return parameters;
}

}  // namespace dexmora::serve
