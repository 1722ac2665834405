#include "server/error_page.h"

namespace dexmora::serve {

std::string htmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

Reply errorPage(unsigned status, std::string_view code, std::string_view message) {
  Reply reply;
  reply.status = status;
  reply.contentType = "text/html; charset=utf-8";
  reply.body =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>Dexmora: no symbol</title>\n</head>\n<body>\n<main>\n<h1>No symbol was made</h1>\n<p id=\"error\">" +
      htmlEscape(message) + "</p>\n<p>Error code: <code>" + htmlEscape(code) +
      "</code></p>\n<p><a href=\"/\">Back to the generator</a></p>\n</main>\n</body>\n</html>\n";
  return reply;
}

}  // namespace dexmora::serve
