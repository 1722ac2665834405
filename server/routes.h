#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "server/metrics.h"
#include "server/product.h"
#include "server/response_cache.h"
#include "server/settings.h"
#include "server/symbol_request.h"
#include "server/work_pool.h"

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
  std::shared_ptr<const std::string> shared;  ///< the body instead, when set: an answer also held by the cache
  std::string_view contentType;
  std::vector<Header> headers;
  int format = Metrics::kNoFormat;  ///< the format asked for, for the metrics
};

/// A JSON error: {"error": code, "message": message}.
Reply errorReply(unsigned status, std::string_view code, std::string_view message);

/// A symbol to be made on a worker thread, with all its answer needs (owned:
/// the request it came from may be gone by then).
struct Work {
  SymbolRequest request;
  std::string cacheTarget;  ///< the GET's target, to keep the answer under; empty for POST and the form
  std::string ifNoneMatch;
  bool form = false;        ///< answers and refusals as the form's: HTML
};

/// A request answered at once, or work that makes its answer.
using Outcome = std::variant<Reply, Work>;

/// The service behind the routes; one for the whole server, used by every
/// thread at once.
class Service {
 public:
  /// `pool` is only asked for its figures, for /metrics.
  Service(const ServeSettings& settings, Metrics& metrics, const WorkPool& pool);

  /// What a request on a route that allows its method comes to: everything
  /// but making a symbol is answered here.
  Outcome handle(const Request& request, const RouteInfo& route);
  /// Makes the symbol: the answer to `work`. For a worker thread.
  Reply complete(Work& work);
  /// The 503 for work that found no place (or was dropped when stopping).
  static Reply busy(const Work& work);

 private:
  Outcome symbol(const Request& request);
  Outcome form(const Request& request);

  const ServeSettings& m_settings;
  Metrics& m_metrics;
  const WorkPool& m_pool;
  std::string m_openApi;
  ResponseCache m_cache;
};

}  // namespace dexmora::serve
