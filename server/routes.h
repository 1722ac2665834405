#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/metrics.h"
#include "server/product.h"
#include "server/response_cache.h"
#include "server/settings.h"

namespace dexmora::serve {

enum class Method : uint8_t { Get, Head, Post, Options, Other };

Method methodOf(std::string_view name);

/// The paths the service answers.
enum class Route : uint8_t { Page, Symbol, Form, Health, Metrics, OpenApi, Unknown };

struct RouteInfo {
  Route route;
  std::string_view allow;  ///< the methods it takes, as the Allow header lists them
  bool takesBody;          ///< a POST body is read (and held to the body limit)
};

RouteInfo routeOf(std::string_view path);
bool allows(const RouteInfo& info, Method method);

/// A request as the routes see it; libmicrohttpd has parsed it all but the query.
struct Request {
  Method method = Method::Other;
  std::string_view path;    ///< decoded path, no query
  std::string_view target;  ///< the raw request target, query included
  std::string_view body;
  std::string_view ifNoneMatch;
  std::string_view contentType;
  std::string_view acceptLanguage;
};

struct Header {
  const char* name;
  std::string value;
};

/// A response before it is handed to libmicrohttpd.
struct Reply {
  unsigned status = 200;
  std::string body;
  std::string_view contentType;
  std::vector<Header> headers;
  int format = Metrics::kNoFormat;  ///< the format asked for, for the metrics
};

/// A JSON error: {"error": code, "message": message}.
Reply errorReply(unsigned status, std::string_view code, std::string_view message);

/// The service behind the routes; one for the whole server, used by every
/// worker thread at once.
class Service {
 public:
  Service(const ServeSettings& settings, Metrics& metrics);

  /// The reply to a request on a route that allows its method.
  Reply handle(const Request& request, const RouteInfo& route);

 private:
  Reply symbol(const Request& request);
  Reply form(const Request& request);
  /// The request's product, from the cache or made (and then kept), or
  /// nullopt when every in-flight place is taken.
  std::optional<Expected<Product>> produce(const SymbolRequest& request);

  const ServeSettings& m_settings;
  Metrics& m_metrics;
  unsigned m_maxInFlight;
  std::string m_openApi;
  ResponseCache m_cache;
};

}  // namespace dexmora::serve
