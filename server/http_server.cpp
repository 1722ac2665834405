#include "server/http_server.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <random>
#include <thread>
#include <vector>

#include <dexmora/error.h>

#include "dexmora_text/quoting.h"
#include "server/access_log.h"
#include "server/framing.h"
#include "server/http_text.h"

namespace dexmora::serve {

struct HttpServer::Exchange {
  Connection* connection = nullptr;  // where it is the open request
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::chrono::system_clock::time_point wallStart = std::chrono::system_clock::now();
  std::string target;  // as the client sent it: libmicrohttpd decodes its copy of the query
  std::string body;
  std::string client;
  std::string requestId;
  char method[16] = "-";
  Method verb = Method::Other;
  RouteInfo route{Route::Unknown, "", false};
  bool started = false;
  bool closeAfter = false;  // the framing is not to be trusted: nothing after this request is read
  // Set by a worker before it resumes the connection: the answer to send.
  bool answered = false;
  Reply made;
  unsigned status = 0;
  size_t bytes = 0;
  int format = Metrics::kNoFormat;
};

// What the server knows of one connection: the request begun on it and not
// yet finished. libmicrohttpd does not report a request as finished when the
// connection closes before its headers are complete, so it is ended here.
struct HttpServer::Connection {
  Exchange* open = nullptr;
};

namespace {

// Room for the request line and header fields beyond the longest target;
// libmicrohttpd answers 414 or 431 itself when they do not fit.
constexpr size_t kHeaderRoom = 24 * 1024;
constexpr size_t kLongestRequestId = 128;
constexpr intptr_t kCloseSlack = 16;

void* onRequestLine(void* server, const char* target, MHD_Connection* connection) {
  return static_cast<HttpServer*>(server)->begin(connection, target);
}

MHD_Result onRequest(void* server, MHD_Connection* connection, const char* url, const char* method,
                     const char* version, const char* upload, size_t* uploadSize, void** context) {
  auto* exchange = static_cast<HttpServer::Exchange*>(*context);
  if (!exchange) return MHD_NO;  // no memory for it when the request line came
  return static_cast<HttpServer*>(server)->answer(connection, *exchange, url, method, version, upload, uploadSize)
             ? MHD_YES
             : MHD_NO;
}

void onCompleted(void* server, MHD_Connection* connection, void** context, MHD_RequestTerminationCode termination) {
  static_cast<HttpServer*>(server)->finish(connection, static_cast<HttpServer::Exchange*>(*context),
                                           static_cast<int>(termination));
  *context = nullptr;
}

void onConnection(void* server, MHD_Connection*, void** socketContext, MHD_ConnectionNotificationCode code) {
  auto* http = static_cast<HttpServer*>(server);
  if (code == MHD_CONNECTION_NOTIFY_STARTED) {
    *socketContext = http->connectionStarted();
  } else {
    http->connectionClosed(static_cast<HttpServer::Connection*>(*socketContext));
    *socketContext = nullptr;
  }
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

MHD_Result collectField(void* fields, MHD_ValueKind, const char* name, const char* value) {
  static_cast<std::vector<HeaderField>*>(fields)->emplace_back(name, value ? value : "");
  return MHD_YES;
}

template <typename Callback>
MHD_OptionItem callbackOption(MHD_OPTION option, Callback callback, void* context) {
  return MHD_OptionItem{option, reinterpret_cast<intptr_t>(callback), context};
}

std::string numericAddress(const sockaddr* address) {
  if (!address) return "-";
  char host[NI_MAXHOST] = "-";
  const socklen_t length = address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
  if (getnameinfo(address, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0) return "-";
  return host;
}

// An id a client or proxy sent is kept when it is short and plain; anything
// else could forge log fields or headers.
bool isPlainId(std::string_view id) {
  if (id.empty() || id.size() > kLongestRequestId) return false;
  for (const char c : id) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       std::string_view("-_.:/+=@").find(c) != std::string_view::npos;
    if (!plain) return false;
  }
  return true;
}

}  // namespace

HttpServer::HttpServer(const ServeSettings& settings, Metrics& metrics)
    : m_settings(settings),
      m_metrics(metrics),
      m_pool(settings.workers, inFlightLimit(settings)),
      m_service(settings, metrics, m_pool),
      m_idSeed(std::random_device()() * 0x9e3779b97f4a7c15ULL) {}

HttpServer::~HttpServer() { stop(); }

Expected<void> HttpServer::start(std::vector<int> listenFds) {
  // The logger comes first, so that no message goes past it.
  std::vector<MHD_OptionItem> options = {
      callbackOption(MHD_OPTION_EXTERNAL_LOGGER, &onLibraryMessage, nullptr),
      // Not strict: its refusals (no Host) send their head twice. The
      // framing checks in firstCall() refuse those requests instead.
      {MHD_OPTION_STRICT_FOR_CLIENT, 0, nullptr},
      // The Acceptor holds the cap; the library learns of a close a moment
      // after it tells us, so its own limit leaves room for that.
      {MHD_OPTION_CONNECTION_LIMIT, static_cast<intptr_t>(m_settings.maxConnections) + kCloseSlack, nullptr},
      {MHD_OPTION_PER_IP_CONNECTION_LIMIT, static_cast<intptr_t>(m_settings.perAddress), nullptr},
      {MHD_OPTION_CONNECTION_TIMEOUT, static_cast<intptr_t>(m_settings.idleTimeout), nullptr},
      {MHD_OPTION_CONNECTION_MEMORY_LIMIT,
       static_cast<intptr_t>(std::max<size_t>(32 * 1024, m_settings.maxTarget + kHeaderRoom)), nullptr},
      callbackOption(MHD_OPTION_URI_LOG_CALLBACK, &onRequestLine, this),
      callbackOption(MHD_OPTION_NOTIFY_COMPLETED, &onCompleted, this),
      callbackOption(MHD_OPTION_NOTIFY_CONNECTION, &onConnection, this),
  };
  if (m_settings.threads > 1) {
    options.push_back({MHD_OPTION_THREAD_POOL_SIZE, static_cast<intptr_t>(m_settings.threads), nullptr});
  }
  options.push_back({MHD_OPTION_END, 0, nullptr});
  // poll(), not epoll: libmicrohttpd 0.9.75's epoll mode can leave a busy
  // thread's kept-alive connections unserved for good. Connections come from
  // the Acceptor, so the library listens on nothing itself.
  const unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL | MHD_ALLOW_SUSPEND_RESUME |
                         MHD_USE_NO_LISTEN_SOCKET | MHD_USE_ERROR_LOG;
  m_daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, &onRequest, this, MHD_OPTION_ARRAY, options.data(),
                              MHD_OPTION_END);
  if (!m_daemon) {
    for (const int fd : listenFds) close(fd);
    return Error(ErrorCode::BadOption, "libmicrohttpd could not start the server");
  }
  MHD_Daemon* daemon = m_daemon;
  m_acceptor = std::make_unique<Acceptor>(std::move(listenFds), m_settings.maxConnections,
                                          [daemon](int fd, const sockaddr* address, socklen_t length) {
                                            // The library closes the socket when it refuses it.
                                            return MHD_add_connection(daemon, fd, address, length) == MHD_YES;
                                          });
  if (!m_acceptor->start()) return Error(ErrorCode::BadOption, "the thread accepting connections could not start");
  return {};
}

void HttpServer::quiesce() {
  m_stopping.store(true, std::memory_order_relaxed);
  if (m_acceptor) m_acceptor->stop();
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
  if (m_acceptor) m_acceptor->stop();
  // Every suspended connection is resumed (queued work answered 503) before
  // the library may stop: it must not find one still suspended.
  m_pool.stop();
  if (m_daemon) MHD_stop_daemon(m_daemon);
  m_daemon = nullptr;
}

HttpServer::Connection* HttpServer::connectionStarted() { return new (std::nothrow) Connection; }

// Counts a connection closed only when its start was seen, so that one the
// library refused on the way in is not counted twice.
void HttpServer::connectionClosed(Connection* connection) {
  if (!connection) return;
  if (connection->open) finish(nullptr, connection->open, MHD_REQUEST_TERMINATED_CLIENT_ABORT);
  delete connection;
  if (m_acceptor) m_acceptor->closed();
}

HttpServer::Exchange* HttpServer::begin(void* connection, const char* target) {
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(static_cast<MHD_Connection*>(connection), MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  auto* owner = info ? static_cast<Connection*>(info->socket_context) : nullptr;
  auto* exchange = new (std::nothrow) Exchange;
  if (!exchange) return nullptr;
  exchange->connection = owner;
  try {
    // Only as much as the limit and one byte more: enough to refuse it.
    exchange->target.assign(target, strnlen(target, m_settings.maxTarget + 1));
  } catch (const std::bad_alloc&) {
    delete exchange;
    return nullptr;
  }
  if (owner) owner->open = exchange;
  m_requests.fetch_add(1, std::memory_order_acq_rel);
  return exchange;
}

std::string HttpServer::clientOf(void* connection) const {
  auto* mhd = static_cast<MHD_Connection*>(connection);
  const MHD_ConnectionInfo* info = MHD_get_connection_info(mhd, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
  const std::string peer = numericAddress(info ? info->client_addr : nullptr);
  if (std::find(m_settings.trustProxy.begin(), m_settings.trustProxy.end(), peer) == m_settings.trustProxy.end()) {
    return peer;
  }
  // The proxy appends the address it saw: the last hop is the one it vouches for.
  std::string_view forwarded = headerValue(mhd, "X-Forwarded-For");
  forwarded = forwarded.substr(forwarded.rfind(',') == std::string_view::npos ? 0 : forwarded.rfind(',') + 1);
  forwarded = trimSpace(forwarded);
  if (forwarded.empty()) return peer;
  return std::string(forwarded.substr(0, 64));
}

std::string HttpServer::requestIdOf(void* connection) {
  const std::string_view given = headerValue(static_cast<MHD_Connection*>(connection), "X-Request-Id");
  if (isPlainId(given)) return std::string(given);
  // A counter through an odd multiplier: unique in this process, unlike
  // another process's ids thanks to the seed.
  const uint64_t n = m_nextId.fetch_add(1, std::memory_order_relaxed);
  char id[17];
  std::snprintf(id, sizeof id, "%016llx", static_cast<unsigned long long>((n + m_idSeed) * 0xbf58476d1ce4e5b9ULL));
  return id;
}

int HttpServer::firstCall(void* connection, Exchange& exchange, const char* url, const char* method,
                          const char* version) {
  auto* mhd = static_cast<MHD_Connection*>(connection);
  exchange.started = true;
  std::snprintf(exchange.method, sizeof exchange.method, "%s", method);
  exchange.verb = methodOf(method);
  exchange.route = routeOf(url);
  exchange.client = clientOf(connection);
  exchange.requestId = requestIdOf(connection);
  std::vector<HeaderField> fields;
  MHD_get_connection_values(mhd, MHD_HEADER_KIND, &collectField, &fields);
  const FramingVerdict verdict = checkFraming(fields, version);
  if (verdict.status != 0) {
    exchange.closeAfter = true;
    const bool coding = verdict.status == 501;
    return queue(mhd, exchange,
                 errorReply(verdict.status, coding ? "unsupported_transfer_coding" : "bad_framing", verdict.message));
  }
  const std::string_view length = headerValue(mhd, MHD_HTTP_HEADER_CONTENT_LENGTH);
  unsigned long long declared = 0;
  std::from_chars(length.data(), length.data() + length.size(), declared);
  // Refused before a byte of it is read; the connection then closes.
  if (declared > m_settings.maxBody) {
    exchange.closeAfter = true;
    return queue(mhd, exchange,
                 errorReply(413, "body_too_large", "the body is over " + std::to_string(m_settings.maxBody) + " bytes"));
  }
  // Answering only on the next call, once the request is complete, keeps
  // the connection open for the next request.
  return MHD_YES;
}

int HttpServer::answer(void* connection, Exchange& exchange, const char* url, const char* method, const char* version,
                       const char* upload, size_t* uploadSize) {
  auto* mhd = static_cast<MHD_Connection*>(connection);
  try {
    if (!exchange.started) return firstCall(connection, exchange, url, method, version);
    if (exchange.answered) return queue(mhd, exchange, std::move(exchange.made));
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
    Outcome outcome = m_service.handle(request, exchange.route);
    if (Reply* reply = std::get_if<Reply>(&outcome)) return queue(mhd, exchange, std::move(*reply));
    return dispatch(connection, exchange, std::move(std::get<Work>(outcome)));
  } catch (const std::exception&) {
    return MHD_NO;  // out of memory while building the reply: close the connection
  }
}

// Hands the work to the pool with the connection suspended; the worker puts
// its answer in the exchange and resumes it, and libmicrohttpd then calls
// answer() again, which sends it. Suspended first, so that a quick worker
// cannot resume a connection not yet suspended.
int HttpServer::dispatch(void* connection, Exchange& exchange, Work work) {
  auto* mhd = static_cast<MHD_Connection*>(connection);
  auto held = std::make_shared<Work>(std::move(work));
  WorkPool::Job job{[this, &exchange, held](bool run) {
                      try {
                        exchange.made = run ? m_service.complete(*held) : Service::busy(*held);
                      } catch (const std::exception&) {
                        exchange.made = errorReply(503, "out_of_memory", "out of memory");
                      }
                      exchange.answered = true;
                    },
                    [mhd] { MHD_resume_connection(mhd); }};
  MHD_suspend_connection(mhd);
  if (!m_pool.submit(job)) {  // a refused job is left to us: answered busy, as a stopping pool answers
    job.work(false);
    job.deliver();
  }
  return MHD_YES;
}

int HttpServer::queue(void* connection, Exchange& exchange, Reply reply) {
  auto* mhd = static_cast<MHD_Connection*>(connection);
  reply.headers.push_back({"X-Request-Id", exchange.requestId});
  if (!m_settings.cors.empty()) {
    reply.headers.push_back({"Access-Control-Allow-Origin", m_settings.cors});
    if (exchange.verb == Method::Options) {
      reply.headers.push_back({"Access-Control-Allow-Methods", std::string(exchange.route.allow)});
      reply.headers.push_back({"Access-Control-Allow-Headers", "Content-Type, If-None-Match, X-Request-Id"});
      reply.headers.push_back({"Access-Control-Max-Age", "86400"});
    } else {
      reply.headers.push_back({"Access-Control-Expose-Headers",
                               "ETag, Content-Disposition, Dexmora-Symbol-Size, Dexmora-Notice, X-Request-Id"});
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
  if (exchange.verb == Method::Head || reply.status == 304) exchange.bytes = 0;
  if (!response) return MHD_NO;
  bool added = true;
  if (!reply.contentType.empty()) {
    added = MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, std::string(reply.contentType).c_str());
  }
  added = added && MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
  for (const Header& header : reply.headers) added = added && MHD_add_response_header(response, header.name, header.value.c_str());
  // While stopping a kept-alive client is told to go elsewhere; after a
  // request whose end is in doubt nothing more is read.
  if (exchange.closeAfter || m_stopping.load(std::memory_order_relaxed)) {
    added = added && MHD_add_response_header(response, "Connection", "close");
  }
  const MHD_Result queued = added ? MHD_queue_response(mhd, reply.status, response) : MHD_NO;
  MHD_destroy_response(response);
  return queued;
}

void HttpServer::finish(void* connection, Exchange* exchange, int) {
  if (!exchange) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - exchange->start).count();
  if (exchange->connection) exchange->connection->open = nullptr;
  unsigned status = exchange->status;
  if (status == 0 && connection) {
    // A request libmicrohttpd refused itself (a bad request line, headers too large).
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(static_cast<MHD_Connection*>(connection), MHD_CONNECTION_INFO_HTTP_STATUS);
    if (info) status = info->http_status;
  }
  m_metrics.countRequest(status, exchange->format, seconds);
  if (m_settings.accessLog) {
    writeAccessLine({exchange->wallStart, exchange->client, exchange->method, exchange->target, status,
                     exchange->bytes, seconds, exchange->requestId});
  }
  delete exchange;
  m_requests.fetch_sub(1, std::memory_order_acq_rel);
}

}  // namespace dexmora::serve
