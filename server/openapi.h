#pragma once

#include <string>

namespace dexmora::serve {

/// The OpenAPI 3.0 document of the service: every path, every parameter
/// (the library's option table and the service's own) and every error.
std::string openApiDocument();

}  // namespace dexmora::serve
