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

std::string_view formSentence(ErrorCode code) {
  switch (code) {
    case ErrorCode::TooLong: return "The text is too long for a Data Matrix symbol of the size chosen.";
    case ErrorCode::NotEncodable: return "The encodation chosen cannot write this text; choose Basic or Smallest symbol.";
    case ErrorCode::BadGs1: return "The text is not valid GS1 data.";
    case ErrorCode::PictureTooLarge: return "The picture would be too large; choose fewer pixels per module.";
    case ErrorCode::OutOfMemory: return "The server is short of memory; try again in a moment.";
    case ErrorCode::BadOption: return "One of the values is not accepted.";
    default: return "The symbol could not be made.";
  }
}

Reply errorPage(unsigned status, std::string_view code, std::string_view detail, std::string_view sentence) {
  Reply reply;
  reply.status = status;
  reply.contentType = "text/html; charset=utf-8";
  std::string body =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>Dexmora: no symbol</title>\n</head>\n<body>\n<main>\n<h1>No symbol was made</h1>\n<p id=\"error\">" +
      htmlEscape(sentence) + "</p>\n";
  if (!detail.empty()) body += "<p id=\"detail\">Details: " + htmlEscape(detail) + "</p>\n";
  body += "<p>Error code: <code>" + htmlEscape(code) +
          "</code></p>\n<p><a href=\"/\">Back to the generator</a></p>\n</main>\n</body>\n</html>\n";
  reply.body = std::move(body);
  return reply;
}

}  // namespace dexmora::serve
