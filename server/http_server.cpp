#include "server/http_server.h"

#include <microhttpd.h>

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <thread>
#include <unistd.h>
#include <vector>

#include <dexmora/error.h>

#include "dexmora_text/quoting.h"
#include "server/access_log.h"

namespace dexmora::serve {

struct HttpServer::Exchange {
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::string target;  // as the client sent it: libmicrohttpd decodes its copy of the query with + as a space
  std::string body;
  char method[16] = "-";
  Method verb = Method::Other;
  RouteInfo route{Route::Unknown, "", false};
  bool started = false;
  unsigned status = 0;
  size_t bytes = 0;
  int format = Metrics::kNoFormat;
};

namespace {

// Room for the request line and header fields beyond the longest target;
// libmicrohttpd answers 414 or 431 itself when they do not fit.
constexpr size_t kHeaderRoom = 24 * 1024;

void* onRequestLine(void* server, const char* target, MHD_Connection*) {
  return static_cast<HttpServer*>(server)->begin(target);
}

MHD_Result onRequest(void* server, MHD_Connection* connection, const char* url, const char* method, const char*,
                     const char* upload, size_t* uploadSize, void** context) {
  auto* exchange = static_cast<HttpServer::Exchange*>(*context);
  if (!exchange) return MHD_NO;  // no memory for it when the request line came
  return static_cast<HttpServer*>(server)->answer(connection, *exchange, url, method, upload, uploadSize) ? MHD_YES
                                                                                                          : MHD_NO;
}

void onCompleted(void* server, MHD_Connection* connection, void** context, MHD_RequestTerminationCode termination) {
  static_cast<HttpServer*>(server)->finish(connection, static_cast<HttpServer::Exchange*>(*context),
                                           static_cast<int>(termination));
  *context = nullptr;
}

void onLibraryMessage(void*, const char* format, va_list arguments) {
  char message[512];
  std::vsnprintf(message, sizeof message, format, arguments);
  size_t length = std::strlen(message);
  while (length > 0 && message[length - 1] == '\n') message[--length] = '\0';
  std::fprintf(stderr, "dexmora-serve: libmicrohttpd: %s\n", message);
}

void freeBody(void* body) { delete static_cast<std::string*>(body); }
void releaseShared(void* body) { delete static_cast<std::shared_ptr<const std::string>*>(body); }

std::string_view headerValue(MHD_Connection* connection, const char* name) {
  const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
  return value ? std::string_view(value) : std::string_view();
}

template <typename Callback>
MHD_OptionItem callbackOption(MHD_OPTION option, Callback callback, void* context) {
  return MHD_OptionItem{option, reinterpret_cast<intptr_t>(callback), context};
}

}  // namespace

HttpServer::HttpServer(const ServeSettings& settings, Metrics& metrics)
    : m_settings(settings), m_metrics(metrics), m_service(settings, metrics) {}

HttpServer::~HttpServer() { stop(); }

Expected<void> HttpServer::start(int listenFd) {
  // The logger comes first, so that no message goes past it.
  std::vector<MHD_OptionItem> options = {
      callbackOption(MHD_OPTION_EXTERNAL_LOGGER, &onLibraryMessage, nullptr),
      {MHD_OPTION_LISTEN_SOCKET, listenFd, nullptr},
      // HTTP/1.1 without Host, spaces in the target: refused, not guessed at.
      {MHD_OPTION_STRICT_FOR_CLIENT, 1, nullptr},
      {MHD_OPTION_CONNECTION_LIMIT, static_cast<intptr_t>(m_settings.maxConnections), nullptr},
      {MHD_OPTION_PER_IP_CONNECTION_LIMIT, static_cast<intptr_t>(m_settings.perAddress), nullptr},
      {MHD_OPTION_CONNECTION_TIMEOUT, static_cast<intptr_t>(m_settings.idleTimeout), nullptr},
      {MHD_OPTION_CONNECTION_MEMORY_LIMIT,
       static_cast<intptr_t>(std::max<size_t>(32 * 1024, m_settings.maxTarget + kHeaderRoom)), nullptr},
      callbackOption(MHD_OPTION_URI_LOG_CALLBACK, &onRequestLine, this),
      callbackOption(MHD_OPTION_NOTIFY_COMPLETED, &onCompleted, this),
  };
  if (m_settings.threads > 1) {
    options.push_back({MHD_OPTION_THREAD_POOL_SIZE, static_cast<intptr_t>(m_settings.threads), nullptr});
  }
  options.push_back({MHD_OPTION_END, 0, nullptr});
  // ITC lets quiesce() wake every thread to stop accepting. poll(), not
  // epoll: libmicrohttpd 0.9.75's epoll mode can leave a busy thread's
  // kept-alive connections unserved for good.
  const unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL | MHD_USE_ITC | MHD_USE_ERROR_LOG;
  m_daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &onRequest, this, MHD_OPTION_ARRAY, options.data(),
                              MHD_OPTION_END);
  if (!m_daemon) return Error(ErrorCode::BadOption, "libmicrohttpd could not start the server");
  return {};
}

void HttpServer::quiesce() {
  m_stopping.store(true, std::memory_order_relaxed);
  if (!m_daemon) return;
  // The listening socket comes back to us; closing it refuses new connections.
  const MHD_socket fd = MHD_quiesce_daemon(m_daemon);
  if (fd != MHD_INVALID_SOCKET) close(fd);
}

bool HttpServer::waitForRequests(std::chrono::seconds grace) {
  const auto deadline = std::chrono::steady_clock::now() + grace;
  while (m_requests.load(std::memory_order_acquire) > 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

void HttpServer::stop() {
  if (m_daemon) MHD_stop_daemon(m_daemon);
  m_daemon = nullptr;
}

HttpServer::Exchange* HttpServer::begin(const char* target) {
  auto* exchange = new (std::nothrow) Exchange;
  if (!exchange) return nullptr;
  try {
    // Only as much as the limit and one byte more: enough to refuse it.
    exchange->target.assign(target, strnlen(target, m_settings.maxTarget + 1));
  } catch (const std::bad_alloc&) {
    delete exchange;
    return nullptr;
  }
  m_requests.fetch_add(1, std::memory_order_acq_rel);
  return exchange;
}

int HttpServer::answer(void* connection, Exchange& exchange, const char* url, const char* method, const char* upload,
                       size_t* uploadSize) {
  auto* mhd = static_cast<MHD_Connection*>(connection);
  try {
    if (!exchange.started) {
      exchange.started = true;
      std::snprintf(exchange.method, sizeof exchange.method, "%s", method);
      exchange.verb = methodOf(method);
      exchange.route = routeOf(url);
      const std::string_view length = headerValue(mhd, MHD_HTTP_HEADER_CONTENT_LENGTH);
      unsigned long long declared = 0;
      std::from_chars(length.data(), length.data() + length.size(), declared);
      // Refused before a byte of it is read; the connection then closes.
      if (declared > m_settings.maxBody) {
        return queue(mhd, exchange,
                     errorReply(413, "body_too_large",
                                "the body is over " + std::to_string(m_settings.maxBody) + " bytes"));
      }
      // Answering only on the next call, once the request is complete,
      // keeps the connection open for the next request.
      return MHD_YES;
    }
    if (*uploadSize > 0) {
      // A chunked body has no length to refuse in advance: over the limit, the connection is closed.
      if (exchange.body.size() + *uploadSize > m_settings.maxBody) return MHD_NO;
      if (exchange.verb == Method::Post && exchange.route.takesBody) exchange.body.append(upload, *uploadSize);
      *uploadSize = 0;
      return MHD_YES;
    }
    if (exchange.target.size() > m_settings.maxTarget) {
      return queue(mhd, exchange,
                   errorReply(414, "target_too_large",
                              "the request target is over " + std::to_string(m_settings.maxTarget) +
                                  " bytes; send long data as the body of a POST"));
    }
    if (exchange.route.route == Route::Unknown) return queue(mhd, exchange, errorReply(404, "not_found", "no such path"));
    if (!allows(exchange.route, exchange.verb)) {
      Reply reply =
          errorReply(405, "method_not_allowed", quoted(url) + " takes " + std::string(exchange.route.allow));
      reply.headers.push_back({"Allow", std::string(exchange.route.allow)});
      return queue(mhd, exchange, std::move(reply));
    }
    Request request;
    request.method = exchange.verb;
    request.path = url;
    request.target = exchange.target;
    request.body = exchange.body;
    request.ifNoneMatch = headerValue(mhd, MHD_HTTP_HEADER_IF_NONE_MATCH);
    request.contentType = headerValue(mhd, MHD_HTTP_HEADER_CONTENT_TYPE);
    request.acceptLanguage = headerValue(mhd, MHD_HTTP_HEADER_ACCEPT_LANGUAGE);
    return queue(mhd, exchange, m_service.handle(request, exchange.route));
  } catch (const std::exception&) {
    return MHD_NO;  // out of memory while building the reply: close the connection
  }
}

int HttpServer::queue(void* connection, Exchange& exchange, Reply reply) {
  auto* mhd = static_cast<MHD_Connection*>(connection);
  if (!m_settings.cors.empty()) {
    reply.headers.push_back({"Access-Control-Allow-Origin", m_settings.cors});
    if (exchange.verb == Method::Options) {
      reply.headers.push_back({"Access-Control-Allow-Methods", std::string(exchange.route.allow)});
      reply.headers.push_back({"Access-Control-Allow-Headers", "Content-Type, If-None-Match"});
      reply.headers.push_back({"Access-Control-Max-Age", "86400"});
    } else {
      reply.headers.push_back({"Access-Control-Expose-Headers", "ETag, Content-Disposition"});
    }
  }
  exchange.status = reply.status;
  exchange.format = reply.format;
  // libmicrohttpd sends from our buffer and lets go of it through the free callback.
  MHD_Response* response = nullptr;
  if (reply.shared) {
    exchange.bytes = reply.shared->size();
    auto* holder = new std::shared_ptr<const std::string>(std::move(reply.shared));
    response = MHD_create_response_from_buffer_with_free_callback_cls(
        (*holder)->size(), const_cast<char*>((*holder)->data()), &releaseShared, holder);
    if (!response) delete holder;
  } else {
    exchange.bytes = reply.body.size();
    auto* holder = new std::string(std::move(reply.body));
    response = MHD_create_response_from_buffer_with_free_callback_cls(holder->size(), holder->data(), &freeBody, holder);
    if (!response) delete holder;
  }
  if (exchange.verb == Method::Head) exchange.bytes = 0;
  if (!response) return MHD_NO;
  bool added = true;
  if (!reply.contentType.empty()) {
    added = MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, std::string(reply.contentType).c_str());
  }
  added = added && MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
  for (const Header& header : reply.headers) added = added && MHD_add_response_header(response, header.name, header.value.c_str());
  // While stopping, a kept-alive client is told to go elsewhere.
  if (m_stopping.load(std::memory_order_relaxed)) added = added && MHD_add_response_header(response, "Connection", "close");
  const MHD_Result queued = added ? MHD_queue_response(mhd, reply.status, response) : MHD_NO;
  MHD_destroy_response(response);
  return queued;
}

void HttpServer::finish(void* connection, Exchange* exchange, int) {
  if (!exchange) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - exchange->start).count();
  unsigned status = exchange->status;
  if (status == 0) {
    // A request libmicrohttpd refused itself (a bad request line, headers too large).
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(static_cast<MHD_Connection*>(connection), MHD_CONNECTION_INFO_HTTP_STATUS);
    if (info) status = info->http_status;
  }
  m_metrics.countRequest(status, exchange->format, seconds);
  if (m_settings.accessLog) writeAccessLine(exchange->method, exchange->target, status, exchange->bytes, seconds);
  delete exchange;
  m_requests.fetch_sub(1, std::memory_order_acq_rel);
}

}  // namespace dexmora::serve
