#pragma once

#include <string_view>

#include <dexmora/error.h>

#include "server/routes.h"

namespace dexmora::serve {

/// The reply to a form that could not be made into a symbol: a small HTML
/// page with `sentence` for the person, then the library's `detail` (when
/// not empty) and the error's code, so a browser without JavaScript shows it.
Reply errorPage(unsigned status, std::string_view code, std::string_view detail, std::string_view sentence);

/// What to tell a person whose form the library refused with `code`.
std::string_view formSentence(ErrorCode code);

/// `text` with &, <, >, " and ' as character references.
std::string htmlEscape(std::string_view text);

}  // namespace dexmora::serve
