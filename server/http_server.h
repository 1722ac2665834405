#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <dexmora/error.h>

#include "server/acceptor.h"
#include "server/metrics.h"
#include "server/routes.h"
#include "server/settings.h"
#include "server/work_pool.h"

struct MHD_Daemon;

namespace dexmora::serve {

/// The HTTP server: libmicrohttpd's polling threads on the connections our
/// Acceptor hands them, and a WorkPool making the symbols.
class HttpServer {
 public:
  /// `settings` must have threads and workers set (not 0); the server keeps a reference.
  HttpServer(const ServeSettings& settings, Metrics& metrics);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  /// Starts serving the listening sockets `listenFds`, which the server owns
  /// from then on (closed on an error too).
  Expected<void> start(std::vector<int> listenFds);
  /// Stops accepting connections; requests in progress go on.
  void quiesce();
  /// Waits until no request is in progress or `grace` has passed; true when none is.
  bool waitForRequests(std::chrono::seconds grace);
  /// Answers work still queued with 503, closes every connection and stops the threads.
  void stop();

  // libmicrohttpd's callbacks reach the server through these.
  struct Exchange;
  struct Connection;
  Exchange* begin(void* connection, const char* target);
  int answer(void* connection, Exchange& exchange, const char* url, const char* method, const char* version,
             const char* upload, size_t* uploadSize);
  void finish(void* connection, Exchange* exchange, int termination);
  Connection* connectionStarted();
  void connectionClosed(Connection* connection);

 private:
  int firstCall(void* connection, Exchange& exchange, const char* url, const char* method, const char* version);
  int dispatch(void* connection, Exchange& exchange, Work work);
  int queue(void* connection, Exchange& exchange, Reply reply);
  std::string clientOf(void* connection) const;
  std::string requestIdOf(void* connection);

  const ServeSettings& m_settings;
  Metrics& m_metrics;
  WorkPool m_pool;
  Service m_service;
  std::unique_ptr<Acceptor> m_acceptor;
  MHD_Daemon* m_daemon = nullptr;
  std::atomic<int> m_requests{0};
  std::atomic<bool> m_stopping{false};
  std::atomic<uint64_t> m_nextId{0};
  uint64_t m_idSeed;
};

}  // namespace dexmora::serve
