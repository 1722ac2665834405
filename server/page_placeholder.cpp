#include "server/page_source.h"

namespace dexmora::serve {

// A plain form until the generator page is built in: it posts to /form.
std::string generatorPage(std::string_view) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<title>Dexmora</title>\n</head>\n<body>\n<main>\n<h1>Dexmora</h1>\n"
         "<form method=\"post\" action=\"/form\" accept-charset=\"utf-8\">\n"
         "<p><label for=\"data\">Text</label><br><textarea id=\"data\" name=\"data\" rows=\"4\" cols=\"40\"></textarea></p>\n"
         "<p><label for=\"format\">Format</label> <select id=\"format\" name=\"format\">"
         "<option>png</option><option>svg</option><option>pdf</option></select></p>\n"
         "<p><button type=\"submit\">Make the symbol</button></p>\n</form>\n</main>\n</body>\n</html>\n";
}

}  // namespace dexmora::serve
