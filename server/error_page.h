#pragma once

#include <string_view>

#include "server/routes.h"

namespace dexmora::serve {

/// The reply to a form that could not be made into a symbol: a small HTML
/// page that names the error, so a browser without JavaScript shows it.
Reply errorPage(unsigned status, std::string_view code, std::string_view message);

/// `text` with &, <, >, " and ' as character references.
std::string htmlEscape(std::string_view text);

}  // namespace dexmora::serve
