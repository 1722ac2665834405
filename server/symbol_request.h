#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <dexmora/error.h>
#include <dexmora/option_set.h>

#include "server/query.h"

namespace dexmora::serve {

/// What a response carries: one of the library's formats or the symbol's
/// figures as JSON.
enum class Format : uint8_t { Png, Svg, Pdf, Eps, Txt, Json };

/// "png", ..., "json": the format parameter's value and the file extension.
std::string_view formatName(Format format);
/// The media type, e.g. "image/png" or "application/json".
std::string_view mediaType(Format format);

/// A parameter the service takes besides the library's options.
struct ServiceParameter {
  std::string_view key;
  std::string_view syntax;
  std::string_view summary;
};

/// data, data-hex, format and download, in the order the documentation lists them.
const std::vector<ServiceParameter>& serviceParameters();

/// One symbol asked for: the data, the library's options (finished), the
/// format and whether the picture is an attachment.
struct SymbolRequest {
  std::string data;
  OptionSet options;
  Format format = Format::Png;
  bool download = false;
  /// The request in a canonical form: the parameters that count, sorted by
  /// key, the data and the library's version. Equal keys give equal bytes.
  std::string canonical;
};

/// Where the data may come from.
enum class DataSource : uint8_t {
  Query,  ///< data= or data-hex= (GET, HEAD and forms)
  Body,   ///< the request body, any bytes (POST to the endpoint)
};

/// The request made of `parameters` (and `body` for DataSource::Body).
/// A key given twice counts with its last value, as on the command line.
/// When `skipEmpty`, parameters with an empty value are left out, as a
/// form's blank fields are. BadOption with the library's words (options
/// spelled as query keys) for anything refused.
Expected<SymbolRequest> parseSymbolRequest(const std::vector<Parameter>& parameters, DataSource source,
                                           std::string_view body = {}, bool skipEmpty = false);

/// A strong entity tag for the request's response: a quoted 128-bit FNV-1a
/// hash of SymbolRequest::canonical.
std::string entityTag(const SymbolRequest& request);

}  // namespace dexmora::serve
