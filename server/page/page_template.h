#pragma once

#include <string_view>

namespace dexmora::serve {

// index.html as it was at build time (page.cmake writes the definition).
std::string_view pageTemplate();

}  // namespace dexmora::serve
