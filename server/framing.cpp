#include "server/framing.h"

#include <dexmora/error.h>

#include "dexmora_text/quoting.h"
#include "server/http_text.h"

namespace dexmora::serve {

namespace {

// tchar of RFC 9110 section 5.6.2.
bool isTokenChar(char c) {
  if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isToken(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (!isTokenChar(c)) return false;
  return true;
}

bool allDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

FramingVerdict refuse(unsigned status, std::string message) { return {status, std::move(message)}; }

// The codings of every Transfer-Encoding field, in order, lower case.
std::vector<std::string> codingsOf(const std::vector<std::string_view>& values) {
  std::vector<std::string> codings;
  for (std::string_view value : values) {
    for (;;) {
      const size_t comma = value.find(',');
      std::string coding(trimSpace(value.substr(0, comma)));
      for (char& c : coding) c = asciiLower(c);
      codings.push_back(std::move(coding));
      if (comma == std::string_view::npos) break;
      value = value.substr(comma + 1);
    }
  }
  return codings;
}

FramingVerdict checkTransferCoding(const std::vector<std::string_view>& values) {
  const std::vector<std::string> codings = codingsOf(values);
  for (size_t i = 0; i < codings.size(); ++i) {
    const std::string& coding = codings[i];
    if (coding.empty() || coding == "identity" || (coding == "chunked" && i + 1 != codings.size()) ||
        !isToken(coding.substr(0, coding.find(';')))) {
      return refuse(400, "bad Transfer-Encoding " + quoted(coding) + ": only a single, final chunked is taken");
    }
  }
  // gzip and the other codings HTTP names are as unknown here as any other:
  // 501, while "identity" (no coding since RFC 7230) is malformed.
  for (const std::string& coding : codings) {
    if (coding != "chunked") {
      return refuse(501, "the transfer coding " + quoted(coding) + " is not supported; send the body chunked or with a Content-Length");
    }
  }
  if (codings.back() != "chunked") return refuse(400, "bad Transfer-Encoding: the last coding must be chunked");
  return {};
}

}  // namespace

FramingVerdict checkFraming(const std::vector<HeaderField>& fields, std::string_view version) {
  std::vector<std::string_view> lengths;
  std::vector<std::string_view> codings;
  int hosts = 0;
  for (const auto& [name, value] : fields) {
    // A space before the colon hides a field from one parser and not another.
    if (!isToken(name)) return refuse(400, "bad header field name " + quoted(name));
    if (equalsIgnoringCase(name, "Content-Length")) lengths.push_back(value);
    if (equalsIgnoringCase(name, "Transfer-Encoding")) codings.push_back(value);
    if (equalsIgnoringCase(name, "Host")) ++hosts;
  }
  if (lengths.size() > 1) return refuse(400, "Content-Length is given more than once");
  if (!lengths.empty() && !allDigits(trimSpace(lengths.front()))) {
    return refuse(400, "bad Content-Length " + quoted(lengths.front()) + ": give the body's length in digits");
  }
  if (!codings.empty()) {
    if (!lengths.empty()) return refuse(400, "a request has a Content-Length or a Transfer-Encoding, not both");
    if (version == "HTTP/1.0") return refuse(400, "HTTP/1.0 has no Transfer-Encoding");
    if (FramingVerdict verdict = checkTransferCoding(codings); verdict.status != 0) return verdict;
  }
  if (version == "HTTP/1.1" && hosts != 1) {
    return refuse(400, hosts == 0 ? "an HTTP/1.1 request needs a Host field" : "Host is given more than once");
  }
  return {};
}

}  // namespace dexmora::serve
