#pragma once

#include <string>
#include <string_view>

#include <dexmora/error.h>
#include <dexmora/symbol.h>

#include "server/symbol_facts.h"
#include "server/symbol_request.h"

namespace dexmora::serve {

/// A response body made for a request.
struct Product {
  std::string bytes;
  std::string_view mediaType;
  SymbolFacts facts;  ///< the symbol's size and notices, for the headers
};

/// Encodes the request's data and renders it in its format: the bytes
/// dexmora-cli writes with the same options, or for Format::Json the
/// symbol's figures. The library's error when it refuses.
Expected<Product> makeProduct(const SymbolRequest& request);

/// The JSON body of a symbol: {"rows", "cols", "size", "data_length",
/// "capacity", "notices": [...], "codewords": [numbers], "modules": ["0101…", …]}.
std::string symbolJson(const Symbol& symbol, const SymbolFacts& facts);

}  // namespace dexmora::serve
