#pragma once

// How each front end writes the library's option keys in its messages; pass
// one to Error::message(KeySpelling). A query string writes them as they are.
#include <string>
#include <string_view>

namespace dexmora {

// "--exact-size": the command line's long option.
std::string commandLineKey(std::string_view key);

// "exact_size": a Python keyword argument.
std::string pythonKeyword(std::string_view key);

}  // namespace dexmora
