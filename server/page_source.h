#pragma once

// The generator page: from server/page/ when the build has it, else the
// placeholder beside this file.
#ifdef DEXMORA_SERVE_HAVE_PAGE
#include "server/page/page.h"
#else
#include <string>
#include <string_view>

namespace dexmora::serve {
/// The whole HTML page of the generator at "/".
std::string generatorPage(std::string_view acceptLanguage);
}  // namespace dexmora::serve
#endif
